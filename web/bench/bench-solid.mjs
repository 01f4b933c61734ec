// The printable solid on both routes, per flower: the page's (the WebAssembly core's recipe united by
// manifold-3d, under node) and the desktop's (petalwright-cli, OpenVDB): wall time, triangles and peak
// memory, each run in a process of its own; then the size of what each route loads. With --check, the
// page's STL and 3MF of each flower also go through admesh and `prusa-slicer --info` (installed by
// tools/real-tools.sh --print). Run by hand after tools/web-build.sh and the desktop build:
//   node --no-experimental-fetch web/bench/bench-solid.mjs build/web build/src/petalwright-cli [--check] [--largest]
// With --sweep COUNT [SEED]: the page's STL of COUNT random flowers (2-15 petals, 1-6 rings, any width,
// scale 0.1-5, any angles, ring turns 0-99; 1.2 mm, 80 mm) through admesh and the mender's check, and how
// far the estimate missed.
import { createRequire } from 'node:module';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { arrayBuffer } from 'node:stream/consumers';
import { gzipSync } from 'node:zlib';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const [site, cli, ...flags] = process.argv.slice(2);
const self = fileURLToPath(import.meta.url);

// One page run in this process: `--one FORMAT THICKNESS SIZE TEXTS OUT` prints seconds, triangles, peak KB.
if (cli === '--one') {
    const [format, thickness, size, texts, out] = flags;
    const core = await createRequire(import.meta.url)(path.resolve(site, 'petalwright-core.js'))();
    const { loadUnionLibrary, unionEngine } = await import(path.resolve(site, 'union-engine.js'));
    const library = await loadUnionLibrary();
    const mender = await createRequire(import.meta.url)(path.resolve(site, 'petalwright-mend.js'))();
    const start = performance.now();
    const job = core.runSolidJob(format, texts.split(','), '3', path.basename(out), '', thickness, size, unionEngine(library, undefined, mender), () => {});
    const seconds = (performance.now() - start) / 1000;
    // A 3MF as the job's worker finishes it: the model deflated by the runtime, packed by the core.
    const stream = job.model && new Blob([job.model]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    writeFileSync(out, job.model ? core.packThreeMf(job.model, new Uint8Array(await arrayBuffer(stream))) : job.bytes);
    console.log(JSON.stringify({ seconds, triangles: job.triangles, peakKb: process.resourceUsage().maxRSS }));
    process.exit(0);
}

const core = await createRequire(import.meta.url)(path.resolve(site, 'petalwright-core.js'))();
const info = core.coreInfo();
const admeshRepairs = (file) => {
    const report = spawnSync('admesh', [file], { encoding: 'utf8' }).stdout;
    const repairs = report.match(/(Degenerate facets|Edges fixed|Facets removed|Facets added|Facets reversed|Backwards edges|Normals fixed)\s*:\s*[1-9]\d*/g) ?? [];
    return { parts: report.match(/Number of parts\s*:\s*(\d+)/)?.[1], repairs };
};

if (cli === '--sweep') {
    const { loadUnionLibrary, unionEngine } = await import(path.resolve(site, 'union-engine.js'));
    const library = await loadUnionLibrary();
    const mender = await createRequire(import.meta.url)(path.resolve(site, 'petalwright-mend.js'))();
    let state = Number(flags[1] ?? 1) >>> 0;
    const next = (low, high) => {
        state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
        return low + Math.floor((state / 2 ** 32) * (high - low + 1));
    };
    const folder = mkdtempSync(path.join(tmpdir(), 'petalwright-sweep-'));
    const misses = [];
    let passed = 0, clear = 0, pinched = 0, slowest = 0;
    // The corners (welded where equal) and triangles of a binary STL, for the mender's check.
    const stlMesh = (bytes) => {
        const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
        const count = view.getUint32(80, true);
        const index = new Map(), points = [], triangles = new Uint32Array(3 * count);
        for (let i = 0; i < 3 * count; i++) {
            const at = 84 + 50 * Math.floor(i / 3) + 12 + 12 * (i % 3);
            const corner = [0, 4, 8].map((k) => view.getFloat32(at + k, true));
            const key = corner.join(',');
            if (!index.has(key)) {
                index.set(key, points.length / 3);
                points.push(...corner);
            }
            triangles[i] = index.get(key);
        }
        return [new Float32Array(points), triangles];
    };
    for (let i = 0; i < Number(flags[0]); i++) {
        const [a, b] = [next(0, 180), next(0, 180)];
        const texts = [next(2, 15), next(1, 6), next(1, 10), (next(1, 50) / 10).toFixed(1), Math.min(a, b), Math.max(a, b)].map(String);
        const seed = String(next(0, 99));
        const start = performance.now();
        const job = core.runSolidJob('print-stl', texts, seed, 'flower.stl', '', '1.2', '80', unionEngine(library, undefined, mender), () => {});
        const seconds = (performance.now() - start) / 1000;
        slowest = Math.max(slowest, seconds);
        if (job.outcome !== 'finished') {
            console.log(`${texts} seed ${seed}: ${job.problem}`);
            continue;
        }
        writeFileSync(path.join(folder, 'sweep.stl'), job.bytes);
        const { parts, repairs } = admeshRepairs(path.join(folder, 'sweep.stl'));
        const [, value, unit] = core.estimate(texts, 'print-stl', '1.2', '80').sizeText.split(' ');
        misses.push(Math.abs((Number(value) * 1024 * (unit === 'MB' ? 1024 : 1)) / job.bytes.length - 1));
        if (parts === '1' && !repairs.length)
            passed++;
        else
            console.log(`${texts} seed ${seed}: admesh parts ${parts}, ${repairs.join(', ')}`);
        // -1: corners welded by position pinch the surface (two parts touch at a point), which the check
        // does not take; the job's own mesh keeps them apart.
        const { crossings } = mender.mendCrossings(...stlMesh(job.bytes), 0);
        if (crossings === 0)
            clear++;
        else if (crossings < 0)
            pinched++;
        if (crossings !== 0 || seconds > 5)
            console.log(`${texts} seed ${seed}: ${crossings} pairs of crossing triangles, ${seconds.toFixed(1)} s`);
    }
    rmSync(folder, { recursive: true, force: true });
    misses.sort((x, y) => x - y);
    const at = (q) => `${(100 * misses[Math.min(misses.length - 1, Math.floor(q * misses.length))]).toFixed(0)} %`;
    console.log(`${passed} of ${flags[0]} pass admesh (one part, nothing repaired); ${clear} clear of crossing triangles, ${pinched} pinched; slowest ${slowest.toFixed(1)} s; `
        + `the STL's estimate missed by median ${at(0.5)}, 90th percentile ${at(0.9)}, most ${at(1)}`);
    process.exit(0);
}
const flowers = [
    ['default', info.defaultTexts, '1.2', '80'],
    ...info.samples.filter((s) => s.name !== 'daisy').map((s) => [s.name, s.texts, '1.2', '80']),
    ['two narrow petals', ['2', '1', '1', '0.1', '90', '135'], '1.2', '80'],
    ['angle 0', ['6', '6', '5', '0.5', '0', '0'], '1.2', '80'],
    ['angle 180', ['6', '6', '5', '0.5', '180', '180'], '1.2', '80'],
    ['default 0.4 mm', info.defaultTexts, '0.4', '80'],
    ['default 20 mm', info.defaultTexts, '1', '20'],
    ['two narrow 0.4 mm 20 mm', ['2', '1', '1', '0.1', '90', '135'], '0.4', '20'],
    ...(flags.includes('--largest') ? [['50 x 50', ['50', '50', '10', '50', '0', '180'], '1.2', '80']] : []),
];
const folder = mkdtempSync(path.join(tmpdir(), 'petalwright-bench-solid-'));
const timed = (command, args) => {
    const run = spawnSync('/usr/bin/time', ['-f', '%e %M', command, ...args], { encoding: 'utf8' });
    const [seconds, peakKb] = run.stderr.trim().split('\n').pop().split(' ').map(Number);
    return { seconds, peakKb };
};
const admesh = (file) => {
    const { parts, repairs } = admeshRepairs(file);
    return `parts ${parts}, ${repairs.length ? repairs.join(', ') : 'nothing repaired'}`;
};
const slicer = (file) => {
    const out = spawnSync('prusa-slicer', ['--info', file], { encoding: 'utf8' }).stdout;
    const field = (name) => out.match(new RegExp(`^${name} = *(.*)$`, 'm'))?.[1]?.trim();
    const repairs = out.match(/^(open_edges|degenerate_facets|edges_fixed|facets_removed|facets_reversed|backwards_edges) = .*$/gm) ?? [];
    return `manifold ${field('manifold')}, parts ${field('number_of_parts')}, min z ${field('min_z')}, `
        + `${Number(field('size_x')).toFixed(3)} x ${Number(field('size_y')).toFixed(3)} x ${Number(field('size_z')).toFixed(3)}${repairs.length ? ', ' + repairs.join(' ') : ''}`;
};

console.log('flower | thickness mm | size mm | page s | page triangles | page peak MB | desktop s | desktop triangles | desktop peak MB');
for (const [name, texts, thickness, size] of flowers) {
    const pageFile = path.join(folder, 'page.stl');
    const page = JSON.parse(execFileSync(process.execPath, ['--no-experimental-fetch', self, site, '--one', 'print-stl', thickness, size, texts.join(), pageFile], { encoding: 'utf8' }));
    const desktopFile = path.join(folder, 'desktop.stl');
    const desktop = timed(cli, ['-q', '--format', 'print-stl', '--seed', '3', '--thickness', thickness, '--size', size,
        ...['--petals', '--overlap', '--width', '--scale', '--angle-start', '--angle-end'].flatMap((o, i) => [o, texts[i]]), desktopFile]);
    const desktopTriangles = readFileSync(desktopFile).readUInt32LE(80);
    console.log(`${name} | ${thickness} | ${size} | ${page.seconds.toFixed(2)} | ${page.triangles} | ${(page.peakKb / 1024).toFixed(0)} | `
        + `${desktop.seconds.toFixed(2)} | ${desktopTriangles} | ${(desktop.peakKb / 1024).toFixed(0)}`);
    if (flags.includes('--check')) {
        const threeMf = path.join(folder, 'page.3mf');
        execFileSync(process.execPath, ['--no-experimental-fetch', self, site, '--one', '3mf', thickness, size, texts.join(), threeMf]);
        console.log(`    page STL: admesh ${admesh(pageFile)}; prusa-slicer ${slicer(pageFile)}`);
        console.log(`    page 3MF: prusa-slicer ${slicer(threeMf)}`);
    }
}

console.log('\nloaded | raw KB | gzip KB');
const files = [['petalwright-core.wasm', site], ['petalwright-core.js', site], ['manifold.wasm', site], ['manifold.js', site], ['union-engine.js', site]];
for (const [file, where] of files) {
    const bytes = readFileSync(path.join(where, file));
    console.log(`${file} | ${(bytes.length / 1024).toFixed(0)} | ${(gzipSync(bytes, { level: 9 }).length / 1024).toFixed(0)}`);
}
const module = path.join(path.dirname(cli), 'petalwright-solid.so');
try {
    console.log(`petalwright-solid.so (desktop, with OpenVDB linked from Debian's shared libraries) | ${(statSync(module).size / 1024).toFixed(0)} | -`);
} catch {
    // a build without the module
}
rmSync(folder, { recursive: true, force: true });
