// The printable types in the page, in Debian's chromium over loopback: for each flower, in a fresh
// browser context (nothing stored, so the first run fetches the union library), the time from OK in
// the thickness and size dialog (or はい, when the question comes) to the saved file, twice, with the
// progress texts as they came; and the transfer of the union library and the crossing mender, raw and compressed.
//   node web/bench/bench-printable.mjs build/web [--largest]
// --largest adds the largest flower the checks accept (50 × 50, 80 mm, 0.88 mm).
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import zlib from 'node:zlib';
import { serveSite } from '../tests/site-server.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const [site, ...options] = process.argv.slice(2);
const kTimeoutMs = 600_000;

const flowers = [
    { name: 'default', texts: ['6', '6', '5', '0.5', '90', '135'], thickness: '1.2', size: '' },
    { name: 'chrysanthemum', texts: ['24', '6', '10', '0.4', '80', '170'], thickness: '1.2', size: '80' },
    { name: 'pompom', texts: ['8', '12', '10', '1', '0', '180'], thickness: '1.2', size: '80' },
];
if (options.includes('--largest'))
    flowers.push({ name: 'largest accepted', texts: ['50', '50', '10', '50', '0', '180'], thickness: '0.88', size: '80' });

const kb = (bytes) => `${(bytes / 1024).toFixed(0)} KB`;
const union = ['union-engine.js', 'manifold.js', 'manifold.wasm', 'petalwright-mend.js', 'petalwright-mend.wasm'].map((file) => readFileSync(path.join(site, file)));
const total = (pack) => union.reduce((sum, bytes) => sum + pack(bytes).length, 0);
console.log(`union library and mender: ${kb(total((b) => b))} raw, ${kb(total((b) => zlib.gzipSync(b, { level: 9 })))} gzip -9, `
    + `${kb(total((b) => zlib.brotliCompressSync(b)))} brotli`);

const { server, port } = await serveSite(site);
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
for (const flower of flowers) {
    const context = await browser.newContext({ acceptDownloads: true, locale: 'ja-JP' });
    const page = await context.newPage();
    await page.goto(`http://127.0.0.1:${port}/?seed=3`);
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
    for (const [i, id] of ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'].entries())
        await page.fill(`#${id}`, flower.texts[i]);
    await page.selectOption('#cboFORMAT', '3mf');
    for (const run of ['first', 'second']) {
        await page.click('#cmdDXF');
        await page.fill('#txtTHICK', flower.thickness);
        await page.fill('#txtSIZE', flower.size);
        await page.evaluate(() => {
            const label = document.getElementById('lblMSG');
            window.shown = [];
            window.watch?.disconnect();
            window.watch = new MutationObserver(() => window.shown.push([performance.now(), label.textContent]));
            window.watch.observe(label, { childList: true, subtree: true });
            if (window.okAt === undefined)
                document.addEventListener('click', (event) => { // OK, or はい after it
                    if (event.target.id === 'cmdPRINTOK' || event.target.dataset.answer === 'true')
                        window.okAt = performance.now();
                }, true);
            window.okAt = 0;
        });
        await page.click('#cmdPRINTOK');
        await page.waitForSelector('#msgBox:not([hidden]), #frmDXF:not([hidden])');
        if (await page.locator('#msgBox').isVisible())
            await page.click('#msgButtons button[data-answer=true]');
        const saved = await page.waitForEvent('download', { timeout: kTimeoutMs }).then(async (d) => readFileSync(await d.path()).length, (e) => e.message);
        const [shown, start] = await page.evaluate(() => [window.shown, window.okAt]);
        const steps = shown.map(([t, text]) => `${((t - start) / 1000).toFixed(1)} s ${text}`).join(' | ');
        const end = shown.length ? shown.at(-1)[0] : start;
        console.log(`${flower.name}, ${run} run: ${typeof saved === 'number' ? `${kb(saved)} saved ${((end - start) / 1000).toFixed(2)} s after OK` : saved}`);
        console.log(`  ${steps}`);
        if (typeof saved !== 'number')
            break;
        await page.click('#cmdCANCEL');
    }
    await context.close();
}
await browser.close();
server.kill();
