// The browser's core (WebAssembly, run by node) against the desktop command line: for every row of
// values, seed and format, the file the core writes must be petalwright-cli's file byte for byte.
// The date and time of the comment block is read from the command line's file and given to the
// core, so the comparison covers every byte.
//   node --no-experimental-fetch web/tests/core-vs-native.mjs CORE_JS PETALWRIGHT_CLI
import { createRequire } from 'node:module';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';

const [coreJs, cli] = process.argv.slice(2);
const core = await createRequire(import.meta.url)(path.resolve(coreJs))();
const info = core.coreInfo();
const folder = mkdtempSync(path.join(tmpdir(), 'petalwright-web-'));

// Values as typed: defaults, extremes, blanks and exponents, rounding to even, every sample.
const rows = [
    { name: 'default', texts: info.defaultTexts, seeds: ['1', '18446744073709551615'] },
    { name: 'largest', texts: ['50', '50', '10', '50', '0', '180'], seeds: ['7'] },
    { name: 'smallest', texts: ['2', '1', '1', '0.1', '0', '0'], seeds: ['0'] },
    { name: 'typed', texts: [' 2.5', '3.5 ', '1e1', '0.15e1', '  12.25', '1.8E2'], seeds: ['42'] },
    { name: 'flat', texts: ['12', '4', '7', '3.25', '90', '90'], seeds: ['123456789'] },
    { name: 'japanese-texts', texts: ['6', '6', '5', '0.5', '90', '135'], seeds: ['5'], file: '花～＋−①ⅰ¥.dxf' },
    ...info.samples.map((s, i) => ({ name: s.name, texts: s.texts, seeds: [String(i + 3)] })),
];

let failures = 0;
let compared = 0;
for (const row of rows) {
    for (const seed of row.seeds) {
        for (const format of info.formats.filter((f) => !f.printable)) { // the printable ones: solid-vs-native.mjs
            const fileName = core.nameWithFormat(row.file ?? `${row.name}.dxf`, format.name);
            const target = path.join(folder, fileName);
            const args = ['-q', '--format', format.name, '--seed', seed,
                '--petals', row.texts[0], '--overlap', row.texts[1], '--width', row.texts[2],
                '--scale', row.texts[3], '--angle-start', row.texts[4], '--angle-end', row.texts[5], target];
            execFileSync(cli, args, { env: { ...process.env, LC_ALL: 'C.UTF-8', QT_QPA_PLATFORM: 'offscreen' } });
            const native = readFileSync(target);
            rmSync(target);
            // "Petalwright 0.7.1 - NAME(DATE)": the date as the command line wrote it.
            const text = native.toString('latin1');
            const head = `${info.productName} ${info.version} - `;
            const at = text.indexOf(head);
            let dateTime = '';
            if (at >= 0) {
                const open = text.indexOf('(', at + head.length + Buffer.byteLength(fileName, 'latin1') - 1);
                dateTime = text.slice(open + 1, text.indexOf(')', open));
            }
            const job = core.runJob(format.name, row.texts, seed, fileName, dateTime, -1, 1000, () => {});
            const wasm = Buffer.from(job.bytes);
            compared++;
            if (!wasm.equals(native)) {
                failures++;
                let i = 0;
                while (i < wasm.length && wasm[i] === native[i]) i++;
                console.error(`FAIL ${row.name} seed ${seed} ${format.name}: ${wasm.length} vs ${native.length} bytes, first difference at byte ${i}`);
                console.error(`  wasm:   ${JSON.stringify(wasm.subarray(Math.max(0, i - 40), i + 40).toString('latin1'))}`);
                console.error(`  native: ${JSON.stringify(native.subarray(Math.max(0, i - 40), i + 40).toString('latin1'))}`);
            }
        }
    }
}
rmSync(folder, { recursive: true, force: true });
console.log(`${compared - failures} of ${compared} files equal`);
process.exit(failures ? 1 : 0);
