// A first visit to the site, cold (a fresh browser context each time, nothing stored): the median of
// five of bytes before the page is ready, bytes in all (the service worker's store included) and the
// time to ready, over loopback with python3's http.server, in Debian's chromium.
//   node web/bench/bench-page.mjs build/web
import { createRequire } from 'node:module';
import { coldVisit, serveSite } from '../tests/site-server.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const [site] = process.argv.slice(2);
const kRuns = 5;

const { server, port } = await serveSite(site);
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
