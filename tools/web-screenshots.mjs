// Screenshots of the browser page on a laptop (1280×800, 1366×768) and a phone (390×844, touch),
// taken in Debian's chromium through playwright-core (tools/web-build.sh --tests installs both):
//   node tools/web-screenshots.mjs build/web OUTPUT_FOLDER
// writes web-page-1280x800.png, web-page-1366x768.png and web-page-390x844.png, and the same with the
// printable solid's dialog open (web-print-settings-WIDTHxHEIGHT.png) and its progress window
// (web-progress-WIDTHxHEIGHT.png).
import { createRequire } from 'node:module';
import path from 'node:path';

import { serveSite } from '../web/tests/site-server.mjs';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const [site, out] = process.argv.slice(2);

const { server, port } = await serveSite(site);
const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox', '--disable-gpu'] });
for (const [width, height, phone] of [[1280, 800, false], [1366, 768, false], [390, 844, true]]) {
    const context = await browser.newContext({ viewport: { width, height }, hasTouch: phone, isMobile: phone, deviceScaleFactor: phone ? 2 : 1, locale: 'ja-JP' });
    const page = await context.newPage();
    await page.goto(`http://127.0.0.1:${port}/?seed=1`);
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
    await page.evaluate(() => document.fonts.ready);
    await page.evaluate(() => document.activeElement.blur());
    const file = path.join(out, `web-page-${width}x${height}.png`);
    await page.screenshot({ path: file });
    console.log(file);
    // The printable solid's dialog over the page, as DXF生成 opens it for 3Dプリント用3MF.
    await page.selectOption('#cboFORMAT', '3mf');
    await page.click('#cmdDXF');
    await page.waitForSelector('#frmPRINT:not([hidden])');
    const dialog = path.join(out, `web-print-settings-${width}x${height}.png`);
    await page.screenshot({ path: dialog });
    console.log(dialog);
    // The progress window with its longest text (a dense flower's crossing faces being mended), shown
    // in the half second before the job starts.
    await page.keyboard.press('Enter');
    await page.waitForSelector('#frmDXF:not([hidden])');
    await page.evaluate(() => { document.getElementById('lblMSG').textContent = '立体にまとめています 1,501 / 1,502（面の交差を直しています）'; });
    const progress = path.join(out, `web-progress-${width}x${height}.png`);
    await page.screenshot({ path: progress });
    console.log(progress);
    await context.close();
}
await browser.close();
server.kill();
