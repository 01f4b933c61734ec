// A first visit to the site, cold (a fresh browser context each time, nothing stored): the median of
// five of bytes before the page is ready, bytes in all (the service worker's store included) and the
// time to ready, over loopback with python3's http.server, in Debian's chromium.
//   node web/bench/bench-page.mjs build/web
import { spawn } from 'node:child_process';
import { createRequire } from 'node:module';
import { coldVisit } from '../tests/counting-proxy.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const [site] = process.argv.slice(2);
const kRuns = 5;

const port = 20000 + Math.floor(Math.random() * 20000);
const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '-d', site, String(port)], { stdio: 'ignore' });
for (let i = 0; i < 100; i++) {
    try {
        if ((await fetch(`http://127.0.0.1:${port}/`)).ok)
            break;
    } catch {
        await new Promise((r) => setTimeout(r, 100));
    }
}
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
const runs = [];
for (let i = 0; i < kRuns; i++)
    runs.push(await coldVisit(browser, port));
await browser.close();
server.kill();

const median = (key) => runs.map((r) => r[key]).sort((a, b) => a - b)[Math.floor(kRuns / 2)];
const kb = (bytes) => `${(bytes / 1024).toFixed(1)} KB`;
console.log(`first visit, median of ${kRuns} cold loads: before ready ${kb(median('beforeReady'))}, in all ${kb(median('inAll'))} `
    + `(${median('requests')} requests), ready in ${median('readyMs').toFixed(0)} ms`);
console.log(`ready times: ${runs.map((r) => r.readyMs.toFixed(0)).join(', ')} ms`);
