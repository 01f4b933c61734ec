// The page on every screen, by keyboard and for assistive technology, in Debian's chromium driven by
// playwright-core: the layout on a laptop and a phone, the Tab order and the preview's keys, the
// page inert behind a dialog, axe-core (from web/node_modules) on the page, each dialog and the help
// page, the help page through the service worker online and offline, and the bytes of a first visit
// (without the printable types' union library, fetched only when one is chosen).
//   node web/tests/page-access.test.mjs SITE_FOLDER
import { createRequire } from 'node:module';
import { checker, coldVisit, serveSite } from './site-server.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const axeSource = require.resolve('axe-core/axe.min.js');
const [site] = process.argv.slice(2);

const { server, port } = await serveSite(site);
const origin = `http://127.0.0.1:${port}`;

const checks = checker();
const check = checks.check;
const started = Date.now();
const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const kControls = 'input:not([type=hidden]), select, button, a[href], canvas[tabindex]';

async function openPage(context, query = '') {
    const page = await context.newPage();
    page.problems = [];
    page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') page.problems.push(`${m.type()}: ${m.text()}`); });
    page.on('pageerror', (e) => page.problems.push(`page error: ${e.message}`));
    await page.goto(`${origin}/${query}`);
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
    await page.evaluate(() => document.fonts.ready);
    return page;
}

// axe-core, run in the page from the package's own file: no violations.
async function axeCheck(page, what) {
    if (!(await page.evaluate(() => 'axe' in window)))
        await page.addScriptTag({ path: axeSource });
    const found = (await page.evaluate(async () => (await window.axe.run(document)).violations))
        .map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
    check(found.length === 0, `axe-core ${what}: ${found.join(' | ') || 'no violations'}`);
}

// What sticks out: controls beyond the viewport's sides, or the page wider than the viewport.
const overflow = (page) => page.evaluate((selector) => {
    const width = document.documentElement.clientWidth;
    const out = [];
    if (document.documentElement.scrollWidth > width)
        out.push(`page ${document.documentElement.scrollWidth} px wide`);
    for (const element of document.querySelectorAll(selector)) {
        const r = element.getBoundingClientRect();
        if (element.closest('[hidden]') || r.width === 0)
            continue;
        if (r.left < 0 || r.right > width + 0.5)
            out.push(`${element.id || element.tagName} ${r.left.toFixed(0)}..${r.right.toFixed(0)}`);
    }
    return out;
}, kControls);

// ---- Laptops: the window as designed ---------------------------------------------------------------
for (const [width, height] of [[1280, 800], [1366, 768]]) {
    const context = await browser.newContext({ viewport: { width, height }, locale: 'ja-JP' });
    const page = await openPage(context);
    const sides = await page.evaluate(() => {
        const box = (id) => document.getElementById(id).getBoundingClientRect();
        return { form: box('Frame1'), preview: box('picPREVIEW'), window: box('frmMAIN') };
    });
    const o = await overflow(page);
    check(o.length === 0, `${width}×${height}: nothing beyond the screen${o.length ? ': ' + o.join(', ') : ''}`);
    check(sides.preview.left >= sides.form.right && sides.preview.top < sides.form.bottom && sides.preview.width >= 320,
        `${width}×${height}: form and preview side by side, the preview ${sides.preview.width.toFixed(0)} px`);
    check(sides.window.bottom <= height, `${width}×${height}: the window on screen`);
    if (width === 1280) {
        await axeCheck(page, 'on the page');
        // Tab walks the controls in the window's order, the preview, 見本 and 別の形 included.
        await page.focus('#txtDXFFILE');
        const order = ['txtDXFFILE'];
        for (let i = 1; i < 17; i++) {
            await page.keyboard.press('Tab');
            order.push(await page.evaluate(() => document.activeElement.id));
        }
        const expected = ['txtDXFFILE', 'cmdOUT', 'cmdOPEN', 'cboFORMAT', 'txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE',
            'cmdDXF', 'cmdHELP', 'cvsPREVIEW', 'cboSAMPLE', 'cmdSHAPE', 'txtSEED', 'chkKEEP'];
        check(JSON.stringify(order.slice(0, expected.length)) === JSON.stringify(expected), `Tab order: ${order.join(' ')}`);
        check(await page.evaluate(() => parseFloat(getComputedStyle(document.activeElement).outlineWidth) >= 2), 'the focused control has a visible outline');
        // The preview: a role and a Japanese name; arrows turn, + and − zoom, 0 goes back.
        const canvas = await page.$eval('#cvsPREVIEW', (c) => `${c.getAttribute('role')} ${c.getAttribute('aria-label')}`);
        check(canvas === 'application 花のプレビュー', `the preview: role and name ${canvas}`);
        await page.focus('#cvsPREVIEW');
        const shot = () => page.locator('#cvsPREVIEW').screenshot();
        const start = await shot();
        await page.keyboard.press('ArrowRight');
        const turned = await shot();
        await page.keyboard.press('+');
        const zoomed = await shot();
        await page.keyboard.press('0');
        check(!start.equals(turned) && !turned.equals(zoomed) && start.equals(await shot()), 'arrow keys turn, + zooms, 0 goes back');
        // A dialog: the page behind it inert; axe on the message box, the question and the progress window.
        await page.fill('#txtPETAL', '1');
        await page.click('#cmdDXF');
        await page.waitForSelector('#msgBox:not([hidden])');
        check(await page.evaluate(() => document.querySelector('main').inert), 'the page is inert behind the message box');
        await axeCheck(page, 'with the message box');
        await page.keyboard.press('Enter');
        check(!(await page.evaluate(() => document.querySelector('main').inert)), 'the page takes input again after the box');
        await page.fill('#txtPETAL', '50');
        await page.click('#cmdDXF');
        await page.waitForSelector('#msgBox:not([hidden])');
        await axeCheck(page, 'with the question');
        await page.click('#msgButtons button[data-answer=true]');
        await page.waitForSelector('#frmDXF:not([hidden])');
        const panel = await page.evaluate(() => ({ main: document.querySelector('main').inert, focus: document.activeElement.id }));
        check(panel.main && panel.focus === 'cmdCANCEL', 'the progress window: the page inert, the focus on キャンセル');
        await axeCheck(page, 'with the progress window');
        await page.waitForSelector('#lblMSG[data-phase=finished]');
        await page.click('#cmdCANCEL');
        // The printable solid's dialog: the page inert, the focus in the thickness box, Tab kept among its
        // boxes and buttons, Esc closes it.
        await page.fill('#txtPETAL', '6');
        await page.selectOption('#cboFORMAT', '3mf');
        await page.click('#cmdDXF');
        await page.waitForSelector('#frmPRINT:not([hidden])');
        const walk = [];
        for (let i = 0; i < 5; i++) {
            walk.push(await page.evaluate(() => document.activeElement.id));
            await page.keyboard.press('Tab');
        }
        check(await page.evaluate(() => document.querySelector('main').inert) && walk.join(' ') === 'txtTHICK txtSIZE cmdPRINTOK cmdPRINTCANCEL txtTHICK',
            `the print dialog: the page inert, Tab walks ${walk.join(' ')}`);
        await axeCheck(page, 'with the print dialog');
        await page.keyboard.press('Escape');
        check(await page.locator('#frmPRINT').isHidden() && !(await page.evaluate(() => document.querySelector('main').inert)), 'Esc closes the print dialog');
    }
    check(page.problems.length === 0, `${width}×${height}: no console errors${page.problems.length ? ': ' + page.problems.join(' | ') : ''}`);
    await context.close();
}

// ---- A phone: one column, nothing cut, large enough to touch and read ---------------------------------
{
    const context = await browser.newContext({ viewport: { width: 390, height: 844 }, hasTouch: true, isMobile: true, deviceScaleFactor: 3, locale: 'ja-JP' });
    const page = await openPage(context);
    const o = await overflow(page);
    check(o.length === 0, `390×844: nothing beyond the screen, no sideways scroll${o.length ? ': ' + o.join(', ') : ''}`);
    const small = await page.evaluate((selector) => {
        const out = [];
        for (const element of document.querySelectorAll(selector)) {
            const r = element.getBoundingClientRect();
            if (r.width > 0 && (r.width < 24 || r.height < 24))
                out.push(`${element.id} ${r.width.toFixed(0)}×${r.height.toFixed(0)}`);
        }
        const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
        while (walker.nextNode()) {
            const parent = walker.currentNode.parentElement;
            if (walker.currentNode.textContent.trim() && parent.getClientRects().length && !parent.closest('.hidden')
                && parseFloat(getComputedStyle(parent).fontSize) < 12)
                out.push(`text "${walker.currentNode.textContent.trim().slice(0, 12)}" ${getComputedStyle(parent).fontSize}`);
        }
        return out;
    }, kControls);
    check(small.length === 0, `390×844: touch targets at least 24×24, text at least 12 px${small.length ? ': ' + small.join(', ') : ''}`);
    const column = await page.evaluate(() => {
        const ids = ['txtDXFFILE', 'cboFORMAT', 'txtPETAL', 'txtANGLE', 'cmdDXF', 'cvsPREVIEW', 'cboSAMPLE'];
        const tops = ids.map((id) => document.getElementById(id).getBoundingClientRect().top);
        return tops.every((top, i) => i === 0 || top > tops[i - 1]);
    });
    check(column, '390×844: one column in the window\'s order');
    check(await page.evaluate(() => !/user-scalable=no|maximum-scale=1(?![.0-9])/.test(document.querySelector('meta[name=viewport]').content)),
        'pinch zoom stays on');
    await page.fill('#txtPETAL', '50');
    await page.fill('#txtKASAN', '50');
    await page.tap('#cmdDXF');
    await page.waitForSelector('#msgBox:not([hidden])');
    const fits = await page.evaluate(() => {
        const r = document.querySelector('#msgBox .window').getBoundingClientRect();
        return r.left >= 0 && r.top >= 0 && r.right <= innerWidth && r.bottom <= innerHeight;
    });
    check(fits && (await overflow(page)).length === 0, '390×844: the question fits the screen');
    await page.tap('#msgButtons button[data-answer=false]');
    await page.fill('#txtKASAN', '6');
    await page.selectOption('#cboFORMAT', 'print-stl');
    await page.tap('#cmdDXF');
    await page.waitForSelector('#frmPRINT:not([hidden])');
    const dialog = await page.$eval('#frmPRINT .window', (w) => w.getBoundingClientRect().toJSON());
    check(dialog.left >= 0 && dialog.top >= 0 && dialog.right <= 390 && dialog.bottom <= 844 && (await overflow(page)).length === 0,
        '390×844: the print dialog fits the screen');
    await page.tap('#cmdPRINTCANCEL');
    check(page.problems.length === 0, `390×844: no console errors${page.problems.length ? ': ' + page.problems.join(' | ') : ''}`);
    await context.close();
}

// ---- The help page through the service worker, online and offline ------------------------------------
{
    const context = await browser.newContext({ locale: 'ja-JP' });
    const page = await openPage(context);
    await page.evaluate(async () => { await navigator.serviceWorker.ready; });
    await page.reload();
    await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
    for (const offline of [false, true]) {
        await context.setOffline(offline);
        const failed = [];
        const [help] = await Promise.all([context.waitForEvent('page'), page.click('#cmdHELP')]);
        help.on('response', (r) => { if (r.status() >= 400) failed.push(`${r.status()} ${r.url()}`); });
        help.on('requestfailed', (r) => failed.push(`failed ${r.url()}`));
        await help.waitForLoadState('load');
        const shown = await help.evaluate(() => ({
            title: document.title,
            styled: getComputedStyle(document.body).maxWidth !== 'none',
            controlled: navigator.serviceWorker.controller !== null,
            pictures: [...document.images].every((image) => image.complete && image.naturalWidth > 0),
        }));
        const mode = offline ? 'offline' : 'online';
        check(shown.title === 'Petalwright ヘルプ' && shown.styled && shown.pictures && shown.controlled && failed.length === 0,
            `help page ${mode} through the service worker: ${JSON.stringify(shown)}${failed.length ? ' ' + failed.join(', ') : ''}`);
        if (!offline)
            await axeCheck(help, 'on the help page');
        await help.close();
    }
    await context.setOffline(false);
    await context.close();
}

// ---- A first visit: what it transfers ----------------------------------------------------------------
{
    const visit = await coldVisit(browser, port);
    console.log(`figure: first visit: ${(visit.beforeReady / 1024).toFixed(1)} KB before ready, ${(visit.inAll / 1024).toFixed(1)} KB in all, ready in ${visit.readyMs.toFixed(0)} ms`);
    check(visit.beforeReady <= 1024 * 1024 && visit.inAll <= 2 * 1024 * 1024, 'a first visit: at most 1 MB before ready, 2 MB in all');
    const union = visit.paths.filter((p) => /manifold|union-engine/.test(p));
    check(visit.paths.includes('/petalwright-core.wasm') && union.length === 0,
        `a first visit fetches no part of the printable types' union library${union.length ? ': ' + union.join(' ') : ''}`);
}

console.log(`${checks.failures ? 'FAILED' : 'passed'} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
await browser.close();
server.kill();
process.exit(checks.failures ? 1 : 0);
