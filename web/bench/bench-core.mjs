// The browser's core (WebAssembly under node) on the largest flower, beside the native core: each
// format generated and written into memory, median of 15 runs; then the native command line's
// whole run for the same flower. Run by hand after tools/web-build.sh and the desktop build:
//   node --no-experimental-fetch web/bench/bench-core.mjs build/web/petalwright-core.js build/src/petalwright-cli
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

const [coreJs, cli] = process.argv.slice(2);
const core = await createRequire(import.meta.url)(path.resolve(coreJs))();
const largest = ['50', '50', '10', '50', '0', '180'];
const kRepeats = 15;
const median = (times) => times.sort((a, b) => a - b)[Math.floor(times.length / 2)];

console.log(`largest flower (${largest.join(', ')}), seed 1, median of ${kRepeats} runs`);
console.log('wasm core under node: generate + write into memory');
for (const format of core.coreInfo().formats.filter((f) => !f.printable)) {
    const times = [];
    let bytes = 0;
    for (let i = 0; i < kRepeats; i++) {
        const start = performance.now();
        bytes = core.runJob(format.name, largest, '1', 'bench.dxf', '2006/01/15 9:05:07', -1, 1000, () => {}).bytes.length;
        times.push(performance.now() - start);
    }
    console.log(`  ${format.name.padEnd(8)} ${String(bytes).padStart(9)} bytes  ${median(times).toFixed(1).padStart(7)} ms`);
}
if (cli) {
    const folder = mkdtempSync(path.join(tmpdir(), 'petalwright-bench-'));
    console.log('native petalwright-cli: the whole run (start, generate, write, sync)');
    for (const format of core.coreInfo().formats.filter((f) => !f.printable)) {
        const times = [];
        for (let i = 0; i < kRepeats; i++) {
            const start = performance.now();
            execFileSync(cli, ['-q', '--seed', '1', '--format', format.name, '--petals', '50', '--overlap', '50', '--width', '10',
                '--scale', '50', '--angle-start', '0', '--angle-end', '180', path.join(folder, 'bench')],
                { env: { ...process.env, QT_QPA_PLATFORM: 'offscreen' } });
            times.push(performance.now() - start);
        }
        console.log(`  ${format.name.padEnd(8)} ${median(times).toFixed(1).padStart(7)} ms`);
    }
    rmSync(folder, { recursive: true, force: true });
}
