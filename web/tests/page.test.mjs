// The page in a real browser: Debian's chromium (/usr/bin/chromium, never a downloaded one) driven
// by playwright-core, against build/web served by python3's http.server, as the README serves it.
//   node web/tests/page.test.mjs SITE_FOLDER PETALWRIGHT_CLI
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';

import { admeshCounts } from './printable-check.mjs';
import { checker } from './site-server.mjs';

const require = createRequire(import.meta.url);
const { chromium } = require('playwright-core');
const [site, cli] = process.argv.slice(2);
const folder = mkdtempSync(path.join(tmpdir(), 'petalwright-page-'));

const port = 20000 + Math.floor(Math.random() * 20000);
const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '-d', site, String(port)], { stdio: 'ignore' });
const origin = `http://127.0.0.1:${port}`;

const checks = checker();
const check = checks.check;

const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const context = await browser.newContext({ acceptDownloads: true, locale: 'ja-JP', timezoneId: 'Asia/Tokyo' });
const problems = [];
const page = await context.newPage();
page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') problems.push(`${m.type()}: ${m.text()}`); });
page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
page.on('request', (r) => { if (!r.url().startsWith(origin) && !r.url().startsWith('blob:') && !r.url().startsWith('data:')) problems.push(`request to ${r.url()}`); });
page.on('dialog', (d) => { problems.push(`native dialog: ${d.type()}`); d.dismiss(); });

async function open(query = '') {
    for (let i = 0; i < 50; i++) {
        try {
            await page.goto(`${origin}/${query}`);
            break;
        } catch {
            await new Promise((r) => setTimeout(r, 100)); // the server is starting
        }
    }
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
}

async function setBoxes(texts) {
    const ids = ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'];
    for (let i = 0; i < ids.length; i++)
        await page.fill(`#${ids[i]}`, texts[i]);
}

const dialogText = () => page.locator('[role=alertdialog] #msgText').textContent();
const dialogOpen = () => page.locator('#msgBox').isVisible();

// The command line's file for the same values and seed, in a Japanese locale so the date reads alike.
function cliFile(format, texts, seed, fileName) {
    const target = path.join(folder, fileName);
    execFileSync(cli, ['-q', '--format', format, '--seed', seed, '--petals', texts[0], '--overlap', texts[1], '--width', texts[2],
        '--scale', texts[3], '--angle-start', texts[4], '--angle-end', texts[5], target],
        { env: { ...process.env, LANG: 'ja_JP.UTF-8', LC_ALL: 'ja_JP.UTF-8', TZ: 'Asia/Tokyo', QT_QPA_PLATFORM: 'offscreen' } });
    const bytes = readFileSync(target);
    rmSync(target);
    return bytes;
}

// The two files with the page's date and time replaced by the command line's (same length).
function equalApartFromDate(pageBytes, cliBytes) {
    const date = /\d{4}\/\d{2}\/\d{2} \d{1,2}:\d{2}:\d{2}/;
    const a = pageBytes.toString('latin1'), b = cliBytes.toString('latin1');
    const da = a.match(date), db = b.match(date);
    if (!da && !db)
        return pageBytes.equals(cliBytes);
    if (!da || !db || da[0].length !== db[0].length)
        return false;
    return a.slice(0, da.index) + db[0] + a.slice(da.index + da[0].length) === b;
}

async function downloadOf(action, timeout = 20000) {
    const [download] = await Promise.all([page.waitForEvent('download', { timeout }), action()]);
    return { name: download.suggestedFilename(), bytes: readFileSync(await download.path()) };
}

const started = Date.now();

// ---- The page loads with the window's words, the core's lists and no stray requests --------
for (let i = 0; i < 100; i++) { // the server is up before the clock starts
    try {
        if ((await fetch(`${origin}/`)).ok)
            break;
    } catch {
        await new Promise((r) => setTimeout(r, 100));
    }
}
const loadStart = performance.now();
await open();
const firstLoad = performance.now() - loadStart;
await page.evaluate(() => document.fonts.ready);
console.log(`figure: first visit: page ready in ${firstLoad.toFixed(0)} ms, fonts in ${(performance.now() - loadStart).toFixed(0)} ms`);
check(await page.title() === 'Petalwright 0.7.1β', 'title with the version');
check(await page.textContent('#Label_0') === '花びらの枚数' && await page.textContent('#Label_5') === '花びらを生やす角度（終わり）', 'box labels');
check(JSON.stringify(await page.$$eval('#Frame1 input', (b) => b.map((x) => x.value))) === '["6","6","5","0.5","90","135"]', 'default texts');
const formats = await page.$$eval('#cboFORMAT option', (o) => o.map((x) => [x.value, x.textContent]));
check(formats[0][0] === 'dxf' && formats[0][1] === 'DXFファイル(*.dxf)' && formats.some(([v]) => v === 'glb'), `format list from the core: ${formats.map((f) => f[0]).join(' ')}`);
// The printable types: the window's labels; they ask the thickness and size first and are checked on their own below.
const printable = ['print-stl', '3mf'];
check(formats.some(([v, l]) => v === 'print-stl' && l === '3Dプリント用STL(*.stl)') && formats.some(([v, l]) => v === '3mf' && l === '3Dプリント用3MF(*.3mf)'),
    'the printable types offered with the window\'s labels');
check(await page.inputValue('#cboSAMPLE') === 'daisy', 'the sample list starts on デイジー');
check(await page.evaluate(() => [...document.fonts].some((f) => f.family === 'PetalwrightPageGothic' && f.status === 'loaded')),
    'the subset of IPA Gothic served by the site');

// Enter moves through the boxes and from the last one to DXF生成.
await page.focus('#txtPETAL');
for (let i = 0; i < 6; i++)
    await page.keyboard.press('Enter');
check(await page.evaluate(() => document.activeElement.id) === 'cmdDXF', 'Enter walks the boxes to cmdDXF');

// ---- Type list and name box -------------------------------------------------------------------
// The core answers a choice or a typed name a moment later: true once the control shows `value`.
const comesToShow = (id, value) => page.waitForFunction(([i, v]) => document.getElementById(i).value === v, [id, value], { timeout: 30000 })
    .then(() => true, () => false);
await page.selectOption('#cboFORMAT', 'obj');
check(await comesToShow('txtDXFFILE', 'flower.obj'), 'choosing a type rewrites the extension');
await page.fill('#txtDXFFILE', 'bloom.STL');
check(await comesToShow('cboFORMAT', 'stl'), 'typing .STL chooses the STL type');
await page.fill('#txtDXFFILE', 'bloom.3MF');
check(await comesToShow('cboFORMAT', '3mf'), 'typing .3MF chooses the printable 3MF type');
await page.selectOption('#cboFORMAT', 'cad-dxf');
await page.fill('#txtDXFFILE', 'bloom.dxf');
check(await page.inputValue('#cboFORMAT') === 'cad-dxf', 'typing .dxf keeps the CAD DXF type');

// A name without the type's extension gets it, in the box, before the file is saved.
for (const [typed, format, saved] of [['d.pdf', 'dxf', 'd.pdf.dxf'], ['flower.txt', 'obj', 'flower.txt.obj'], ['bloom', 'glb', 'bloom.glb'],
    ['d.OBJ', 'dxf', 'd.OBJ']]) {
    await open('?seed=4');
    await page.selectOption('#cboFORMAT', format);
    await page.fill('#txtDXFFILE', typed);
    const file = await downloadOf(() => page.click('#cmdDXF'));
    const type = await page.inputValue('#cboFORMAT');
    check(file.name === saved && await page.inputValue('#txtDXFFILE') === saved && (typed === 'd.OBJ' ? type === 'obj' : type === format),
        `${typed} as ${format}: saved as ${file.name} (${type}), shown in the box`);
}

// ?seed= takes what --seed takes; anything else is named in the page's message box, then the turns are random.
for (const [query, seed] of [['?seed=18446744073709551615', '18446744073709551615'], ['?seed=%2B007', '7'], ['?seed=%E3%80%8012', '12'],
    ['?seed=18446744073709551616', null], ['?seed=-1', null], ['?seed=abc', null], ['?seed=', null], ['?seed=1e3', null]]) {
    await page.goto(`${origin}/${query}`);
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
    const text = new URLSearchParams(query).get('seed');
    const drawn = (await page.evaluate(() => document.getElementById('cvsPREVIEW').dataset.shows)).split(' / ')[1];
    if (seed !== null) {
        check(drawn === seed && !(await dialogOpen()), `${query}: the turns of --seed ${text.trim()}`);
        continue;
    }
    await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
    const message = await dialogText();
    await page.keyboard.press('Enter');
    check(message === 'アドレスの花を開けませんでした。\n形番号は 0 ～ 18446744073709551615 の整数です。\n既定の値と新しい形で表示します。'
        && /^\d+$/.test(drawn), `${query}: named in the message box, random turns (${drawn})`);
}

// ---- The checks and their message box ---------------------------------------------------------
await open();
await setBoxes(['1', '6', '5', '0.5', '100', '90']);
await page.click('#cmdDXF');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check(await dialogText() === '花びらの枚数は 2 ～ 50 です。\n花びらを生やす角度は 始まり <= 終わり にしてください。', 'all check messages in one box');
await page.keyboard.press('Enter');
check(!(await dialogOpen()) && await page.locator('#frmDXF').isHidden(), 'Enter closes the box; nothing runs');
await setBoxes(['x', '0', '11', '0.01', 'a', '181']);
await page.click('#cmdDXF');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check((await dialogText()).split('\n').length === 6, 'six failing checks, six lines');
await page.click('#msgButtons button');

// ---- The question at 1,200 faces, its No, and the timing of the largest flower ---------------
// Every type but the DXF one asks with its own estimate, within a tenth of its file.
await open('?seed=1');
await setBoxes(['50', '50', '10', '50', '0', '180']);
for (const [format] of formats.filter(([name]) => name !== 'dxf' && name !== 'petal' && !printable.includes(name))) { // a flower file asks nothing
    await page.selectOption('#cboFORMAT', format);
    await page.click('#cmdDXF');
    await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
    const [, number, unit] = (await dialogText()).match(/ファイルサイズ 約 ([\d.]+) (KB|MB) になります/);
    await page.keyboard.press('Escape');
    const shown = Number(number) * 1024 * (unit === 'MB' ? 1024 : 1);
    const written = cliFile(format, ['50', '50', '10', '50', '0', '180'], '1', `largest.${format}`).length;
    check(Math.abs(shown / written - 1) <= 0.1, `${format}: the question says 約 ${number} ${unit} for ${written} bytes`);
}
await page.selectOption('#cboFORMAT', 'dxf');
await page.click('#cmdDXF');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check(await dialogText() === '△20,000 ファイルサイズ 約 4.6 MB になります。\n\n続けますか？', `question text: ${await dialogText()}`);
check(await page.evaluate(() => document.activeElement.textContent) === 'いいえ', 'いいえ is the default');
await page.keyboard.press('Escape');
check(!(await dialogOpen()) && await page.locator('#frmDXF').isHidden(), 'Esc answers いいえ: no run');
await page.click('#cmdDXF');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
await page.keyboard.press('Enter');
check(!(await dialogOpen()) && await page.locator('#frmDXF').isHidden(), 'Enter on the default answers いいえ');

await page.selectOption('#cboFORMAT', 'dxf');
await page.click('#cmdDXF');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
// Times of the run: from はい, and from the job's start (after the half-second delay) to 終了しました.
await page.evaluate(() => {
    const label = document.getElementById('lblMSG');
    window.runTimes = {};
    new MutationObserver(() => {
        window.runTimes[label.dataset.phase] ??= performance.now();
    }).observe(label, { attributes: true });
    document.querySelector('#msgButtons button[data-answer=true]').addEventListener('click', () => { window.runTimes.click = performance.now(); });
});
const largest = await downloadOf(async () => {
    await page.click('#msgButtons button[data-answer=true]');
});
await page.waitForSelector('#lblMSG[data-phase=finished]');
const times = await page.evaluate(() => window.runTimes);
const nativeStart = performance.now();
cliFile('dxf', ['50', '50', '10', '50', '0', '180'], '1', 'largest.dxf');
const nativeTime = performance.now() - nativeStart;
console.log(`figure: largest flower in the page: ${(times.finished - times.click).toFixed(0)} ms from はい to 終了しました, `
    + `job ${(times.finished - times.mesh).toFixed(0)} ms after the half-second start; petalwright-cli's whole run ${nativeTime.toFixed(0)} ms`);
check(await page.textContent('#lblMSG') === '終了しました' && await page.textContent('#cmdCANCEL') === '閉じる', '終了しました, then 閉じる');
check(await page.innerText('#lblINFO') === 'flower.dxf :\n△20,000   約 4.6 MB', `the progress window's information, its blanks shown: ${await page.innerText('#lblINFO')}`);
check(largest.bytes.length > 4_000_000, `largest flower saved (${largest.bytes.length} bytes)`);
await page.click('#cmdCANCEL');
check(await page.locator('#frmDXF').isHidden(), '閉じる closes the progress window');

// ---- Each format against the command line's file for the same seed ---------------------------
const texts = ['7', '3', '6', '0.8', '70', '150'];
for (const [format] of formats.filter(([name]) => !printable.includes(name))) {
    await open('?seed=11');
    await setBoxes(texts);
    await page.selectOption('#cboFORMAT', format);
    const file = await downloadOf(() => page.click('#cmdDXF'));
    const native = cliFile(format, texts, '11', file.name);
    check(equalApartFromDate(file.bytes, native), `${format}: ${file.name} equals petalwright-cli's file (${file.bytes.length} bytes)`);
}

// ---- The flower kept: the address, links, 形番号 and 形を保つ, flower files ----------------------------
const link = '?petals=7&overlap=3&width=6&scale=0.8&angle-start=70&angle-end=150&seed=11';
await open('?seed=11');
await setBoxes(texts);
await page.waitForFunction((q) => location.search === q, link).catch(() => {});
check(await page.evaluate(() => location.search) === link, `the address follows the boxes: ${await page.evaluate(() => location.search)}`);
await open(link);
await page.selectOption('#cboFORMAT', 'cad-dxf');
const linkedSeed = await page.inputValue('#txtSEED');
const linked = await downloadOf(() => page.click('#cmdDXF'));
check(linkedSeed === '11' && equalApartFromDate(linked.bytes, cliFile('cad-dxf', texts, '11', linked.name)),
    'a link opens its flower and shape: the same file as petalwright-cli\'s');
await page.click('#cmdCANCEL');
check(await page.inputValue('#txtSEED') !== '11', 'without 形を保つ a completed run draws a new shape');
await page.fill('#txtSEED', '11');
await page.keyboard.press('Enter');
await page.check('#chkKEEP');
await downloadOf(() => page.click('#cmdDXF'));
await page.click('#cmdCANCEL');
check(await page.inputValue('#txtSEED') === '11' && (await page.evaluate(() => location.search)).endsWith('&seed=11'), '形を保つ keeps the shape after a run');
await page.fill('#txtSEED', '-5');
await page.keyboard.press('Enter');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check(await dialogText() === '形番号は 0 ～ 18446744073709551615 の整数です。', 'a bad 形番号 gets the message box');
await page.keyboard.press('Enter');
check(await page.inputValue('#txtSEED') === '11', '... and the box shows the shape again');
await open('?petals=99&seed=3');
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check((await dialogText()).includes('花びらの枚数は 2 ～ 50 です。') && await page.inputValue('#txtPETAL') === '6', 'a link with a bad value: the defaults and the message box');
await page.keyboard.press('Enter');
// Flower files: saved like any type, and every file Petalwright wrote opens its flower again.
await open(link);
await page.selectOption('#cboFORMAT', 'petal');
const petal = await downloadOf(() => page.click('#cmdDXF'));
check(petal.bytes.equals(cliFile('petal', texts, '11', petal.name)) && await page.locator('#frmDXF').isHidden(), `${petal.name}: petalwright-cli's flower file, no progress window`);
for (const [name, bytes, seed] of [[petal.name, petal.bytes, '11'], [linked.name, linked.bytes, '11'], ['old.dxf', cliFile('dxf', texts, '11', 'old.dxf'), null]]) {
    await open();
    await page.setInputFiles('#filOPEN', { name, mimeType: 'application/octet-stream', buffer: bytes });
    await page.waitForFunction((t) => document.getElementById('txtPETAL').value === t, texts[0]);
    const shown = JSON.stringify(await page.$$eval('#Frame1 input', (b) => b.map((x) => x.value)));
    const note = seed === null && await dialogOpen() ? await dialogText() : '';
    check(shown === JSON.stringify(texts) && (seed === null ? note.includes('形番号が記録されていません') : await page.inputValue('#txtSEED') === seed),
        `${name} opens its flower${seed ? ' and shape' : ', a new shape and a note'}`);
    if (note)
        await page.keyboard.press('Enter');
}
await page.setInputFiles('#filOPEN', { name: 'notes.txt', mimeType: 'text/plain', buffer: Buffer.from('hello') });
await page.waitForSelector('[role=alertdialog]', { state: 'visible' });
check((await dialogText()).startsWith('花の設定を読めませんでした。\nファイル: notes.txt\n原因: ') && await page.inputValue('#txtPETAL') === texts[0],
    'a foreign file: the message box names it, nothing changes');
await page.keyboard.press('Enter');

// ---- Cancel ----------------------------------------------------------------------------------------
await open('?seed=3');
let downloads = 0;
page.on('download', () => downloads++);
// キャンセル as soon as the progress window shows, before the job starts.
await page.evaluate(() => {
    const panel = document.getElementById('frmDXF');
    new MutationObserver((_, observer) => {
        if (!panel.hidden) {
            observer.disconnect();
            document.getElementById('cmdCANCEL').click();
        }
    }).observe(panel, { attributes: true });
});
await page.click('#cmdDXF');
await page.waitForTimeout(1200);
check(await page.locator('#frmDXF').isHidden() && downloads === 0, 'cancel before the file: nothing saved');

await setBoxes(['50', '50', '10', '50', '0', '180']);
await page.click('#cmdDXF');
await page.click('#msgButtons button[data-answer=true]');
// キャンセル as soon as the label shows the file being written (the job is too quick for a click from outside).
const shorter = await downloadOf(() => page.evaluate(() => {
    const label = document.getElementById('lblMSG');
    new MutationObserver((_, observer) => {
        if (label.dataset.phase === 'file') {
            observer.disconnect();
            window.shownAtCancel = label.textContent;
            document.getElementById('cmdCANCEL').click();
        }
    }).observe(label, { attributes: true, childList: true });
}));
const shownAtCancel = await page.evaluate(() => window.shownAtCancel);
const text = shorter.bytes.toString('latin1');
const faces = (text.match(/3DFACE/g) || []).length;
const shownFaces = Number(shownAtCancel.match(/△([\d,]+)/)[1].replace(/,/g, ''));
check(faces > 0 && faces < 20000 && faces === shownFaces, `cancel while writing at ${shownAtCancel}: the file holds ${faces} faces`);
check(text.includes('\r\nEOF\r\n') && text.endsWith('//\r\n'), 'the shorter file is complete: EOF and the comment block');
await page.waitForSelector('#frmDXF', { state: 'hidden' });

// ---- The printable types: the thickness and size dialog, the solid from the job's worker ---------------
// The bell: a flower whose solid the page's union engine makes without a fault admesh would mend.
const openPrintDialog = async (format) => {
    if (format)
        await page.selectOption('#cboFORMAT', format);
    await page.click('#cmdDXF');
    await page.waitForSelector('#frmPRINT:not([hidden])');
    return `${await page.inputValue('#txtTHICK')}|${await page.inputValue('#txtSIZE')}`;
};
const admeshSays = (file, format) => {
    const { parts, repaired } = admeshCounts(file.bytes, format, folder);
    return { clean: parts === 1 && repaired.length === 0, text: `${file.name}: admesh ${parts} part, repaired ${repaired.join(', ') || 'nothing'}` };
};
await open('?seed=3');
await page.selectOption('#cboSAMPLE', 'bell');
check(await openPrintDialog('print-stl') === '1.2|' && await page.evaluate(() => document.activeElement.id) === 'txtTHICK',
    'the dialog opens on the default thickness and the drawing\'s size, the thickness box focused');
for (const [thickness, size, message] of [ // the window's checks and messages; the dialog stays open, nothing runs
    ['x', '', '厚さは 0 より大きい数（mm）にしてください: x'],
    ['0.3', '5', '大きさ 5 mm の花は小さすぎて印刷できません。20 mm 以上にしてください。\n厚さ 0.3 mm はノズルの線幅より薄く、印刷できません。0.4 mm 以上にしてください。'],
    ['3', '40', '厚さ 3 mm は大きさ 40 mm の花に合いません。0.4 ～ 2 mm（ノズルの線幅 0.4 mm 以上で、大きさの 1/200 から 1/20 まで）にしてください。']]) {
    await page.fill('#txtTHICK', thickness);
    await page.fill('#txtSIZE', size);
    await page.keyboard.press('Enter');
    await page.waitForSelector('#msgBox:not([hidden])');
    const shown = await dialogText();
    await page.keyboard.press('Enter');
    check(shown === message && await page.locator('#frmPRINT').isVisible() && await page.locator('#frmDXF').isHidden(), `${thickness}, ${size}: ${shown}`);
}
await page.keyboard.press('Escape');
check(await page.locator('#frmPRINT').isHidden() && await page.evaluate(() => document.activeElement.id) === 'cmdDXF', 'Esc gives up the run');
check(await openPrintDialog() === '1.2|', 'a refused or cancelled dialog remembers nothing');
await page.fill('#txtTHICK', ' 1.5');
await page.fill('#txtSIZE', '40 ');
await page.evaluate(() => { // the label's texts while the run goes on
    const label = document.getElementById('lblMSG');
    window.shownTexts = [];
    new MutationObserver(() => window.shownTexts.push(label.textContent)).observe(label, { childList: true, subtree: true });
});
const printStl = admeshSays(await downloadOf(() => page.click('#cmdPRINTOK')), 'print-stl');
await page.waitForSelector('#lblMSG[data-phase=finished]');
const shownTexts = (await page.evaluate(() => window.shownTexts)).join(' | ');
check(shownTexts.endsWith('立体にまとめています 1 / 3 | 立体にまとめています 2 / 3 | 立体にまとめています 2 / 3（面の交差を確かめています） | 立体にまとめています 3 / 3 | 向き: 表（花を上に向けて置きます） | 終了しました'),
    `the window's progress texts: ${shownTexts}`);
check(printStl.clean, printStl.text);
await page.click('#cmdCANCEL');
await open('?seed=3'); // the accepted texts, trimmed, come back in a new visit
await page.selectOption('#cboSAMPLE', 'bell');
check(await openPrintDialog('3mf') === '1.5|40', 'the dialog remembers the accepted texts');
const threeMf = admeshSays(await downloadOf(() => page.keyboard.press('Enter')), '3mf');
check(threeMf.clean, threeMf.text);
await page.click('#cmdCANCEL');
// キャンセル while the solid is built: the window closes at once and nothing is saved.
const downloadsBefore = downloads;
await page.evaluate(() => new MutationObserver((_, observer) => { // at the solid's first step
    if (document.getElementById('lblMSG').textContent.startsWith('立体にまとめています')) {
        observer.disconnect();
        document.getElementById('cmdCANCEL').click();
        window.closedAtOnce = document.getElementById('frmDXF').hidden;
    }
}).observe(document.getElementById('lblMSG'), { childList: true, subtree: true }));
await openPrintDialog();
await page.keyboard.press('Enter');
await page.waitForFunction(() => window.closedAtOnce !== undefined);
await page.waitForTimeout(1200); // longer than the rest of the bell's run
check(downloads === downloadsBefore && await page.evaluate(() => window.closedAtOnce), 'キャンセル while the solid is built: closed at once, nothing saved');
// A flower of many pieces: its rings united ahead by helpers of the job's worker, one per core (up to
// four), the progress counted on without a step back; a キャンセル stops the helpers too.
const helpers = new Set();
let helpersSeen = 0;
page.on('worker', (worker) => {
    if (worker.url().endsWith('/union-worker.js')) {
        helpersSeen++;
        helpers.add(worker);
        worker.on('close', () => helpers.delete(worker));
    }
});
const manyPieces = ['20', '20', '10', '50', '0', '180'];
const startManyPieces = async () => {
    await setBoxes(manyPieces);
    await openPrintDialog('print-stl');
    await page.fill('#txtTHICK', '1.2');
    await page.fill('#txtSIZE', '80');
    await page.keyboard.press('Enter');
    await page.waitForSelector('#msgBox:not([hidden]), #frmDXF:not([hidden])');
    if (await dialogOpen())
        await page.click('#msgButtons button[data-answer=true]');
};
await page.evaluate(() => {
    const label = document.getElementById('lblMSG');
    window.shownTexts = [];
    new MutationObserver(() => window.shownTexts.push(label.textContent)).observe(label, { childList: true, subtree: true });
});
const shared = admeshSays(await downloadOf(startManyPieces, 120000), 'print-stl');
await page.waitForSelector('#lblMSG[data-phase=finished]');
const manyTexts = await page.evaluate(() => window.shownTexts);
const steps = manyTexts.map((t) => Number(t.match(/^立体にまとめています (\d+) \/ 22$/)?.[1])).filter(Boolean);
const cores = Math.min(4, await page.evaluate(() => navigator.hardwareConcurrency));
// The check for crossing faces after the rings united ahead is shown too, before the last step.
const checkShown = manyTexts.indexOf('立体にまとめています 21 / 22（面の交差を確かめています）');
check(shared.clean && helpersSeen === (cores > 1 ? cores : 0) && steps.at(-1) === 22 && steps.every((k, i) => !i || k > steps[i - 1])
    && checkShown >= 0 && checkShown < manyTexts.indexOf('立体にまとめています 22 / 22'),
    `${shared.text}; ${helpersSeen} helpers for ${cores} cores; steps ${steps.join(' ')}; texts ${manyTexts.join(' | ')}`);
await page.click('#cmdCANCEL');
await page.evaluate(() => { window.shownTexts = []; });
await startManyPieces();
await page.waitForFunction(() => window.shownTexts.some((t) => t.startsWith('立体にまとめています ')));
await page.click('#cmdCANCEL');
await page.waitForFunction(() => document.getElementById('frmDXF').hidden);
const stopped = await Promise.race([(async () => {
    while (helpers.size)
        await new Promise((r) => setTimeout(r, 20));
    return true;
})(), new Promise((r) => setTimeout(() => r(false), 10000))]);
check(stopped, `キャンセル while helpers unite the rings: ${helpers.size} helpers left running`);
// ---- Preview and samples -----------------------------------------------------------------------
// What the preview shows: the six texts and the seed, or '-' for an invalid flower.
const shows = (text) => page.waitForFunction((t) => document.getElementById('cvsPREVIEW').dataset.shows.startsWith(t), text);
await open('?seed=5');
const before = await page.locator('#cvsPREVIEW').screenshot();
await page.fill('#txtPETAL', '12');
await shows('12 6 5 0.5 90 135 / 5');
const after = await page.locator('#cvsPREVIEW').screenshot();
check(!before.equals(after), 'the preview redraws after typing');
check(await page.inputValue('#cboSAMPLE') === '', 'typing leaves the sample: （自由）');
await page.fill('#txtPETAL', '1');
await shows('1 6 5 0.5 90 135 / -');
check(await page.locator('#lblNOTE').isVisible(), '入力を確認してください under an invalid box');
await page.selectOption('#cboSAMPLE', 'lotus');
await shows('8 3 9 0.7 125 160 / 5');
check(JSON.stringify(await page.$$eval('#Frame1 input', (b) => b.map((x) => x.value))) === '["8","3","9","0.7","125","160"]'
    && await page.locator('#lblNOTE').isHidden(), 'the lotus sample fills the boxes');
const lotus = await page.locator('#cvsPREVIEW').screenshot();
// New turns can look like the old ones (a turn by whole petals): three tries.
let redrawn = false;
for (let i = 0; i < 3 && !redrawn; i++) {
    const shownBefore = await page.evaluate(() => document.getElementById('cvsPREVIEW').dataset.shows);
    await page.click('#cmdSHAPE');
    await page.waitForFunction((b) => document.getElementById('cvsPREVIEW').dataset.shows !== b, shownBefore);
    redrawn = !lotus.equals(await page.locator('#cvsPREVIEW').screenshot());
}
check(redrawn, '別の形 draws new ring turns');
const box = await page.locator('#cvsPREVIEW').boundingBox();
await page.mouse.move(box.x + 100, box.y + 100);
await page.mouse.down();
await page.mouse.move(box.x + 180, box.y + 130, { steps: 4 });
await page.mouse.up();
const turned = await page.locator('#cvsPREVIEW').screenshot();
await page.mouse.wheel(0, -400);
await page.waitForTimeout(100);
check(!turned.equals(await page.locator('#cvsPREVIEW').screenshot()), 'drag turns and the wheel zooms');

// ---- Offline after one visit ---------------------------------------------------------------------
await page.evaluate(async () => { await navigator.serviceWorker.ready; });
await page.reload();
await page.waitForSelector('#frmMAIN[aria-busy="false"]');
await page.waitForFunction(() => navigator.serviceWorker.controller !== null);
await context.setOffline(true);
await open('?seed=11');
await setBoxes(texts);
const offline = await downloadOf(() => page.click('#cmdDXF'));
check(equalApartFromDate(offline.bytes, cliFile('dxf', texts, '11', 'flower.dxf')), 'offline: the page opens and saves the same file');
// The printable types too: their union library and crossing mender were stored when they were first used.
await page.click('#cmdCANCEL');
await page.selectOption('#cboSAMPLE', 'bell');
await openPrintDialog('print-stl');
check(admeshSays(await downloadOf(() => page.keyboard.press('Enter')), 'print-stl').clean && await page.evaluate(() => Promise.all(['manifold.wasm', 'petalwright-mend.wasm'].map((file) => caches.match(file))).then((found) => found.every(Boolean))),
    'offline: a printable file from the stored union library and mender');
await context.setOffline(false);

// ---- Installable as an app (asked of a browser with a profile of its own: not a private window) ------
const profile = mkdtempSync(path.join(tmpdir(), 'petalwright-profile-'));
const installed = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
});
const app = installed.pages()[0] ?? await installed.newPage();
await app.goto(`${origin}/`);
await app.waitForSelector('#frmMAIN[aria-busy="false"]');
await app.evaluate(async () => { await navigator.serviceWorker.ready; });
const { installabilityErrors } = await (await installed.newCDPSession(app)).send('Page.getInstallabilityErrors');
check(installabilityErrors.length === 0, `Chromium finds the page installable${installabilityErrors.length ? ': ' + JSON.stringify(installabilityErrors) : ''}`);
await installed.close();
rmSync(profile, { recursive: true, force: true });

// ---- 設定 with the browser's save dialog: the file goes to the chosen handle, not to downloads ----------
const picker = await context.newPage();
picker.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
await picker.addInitScript(() => {
    window.showSaveFilePicker = async (options) => {
        window.pickerOptions = options;
        return {
            name: 'picked.obj',
            createWritable: async () => ({
                write: async (bytes) => { window.written = Array.from(bytes); },
                close: async () => { window.pickerClosed = true; },
            }),
        };
    };
});
await picker.goto(`${origin}/?seed=11`);
await picker.waitForSelector('#frmMAIN[aria-busy="false"]');
for (const [i, id] of ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'].entries())
    await picker.fill(`#${id}`, texts[i]);
await picker.click('#cmdOUT');
await picker.waitForFunction(() => document.getElementById('txtDXFFILE').value === 'picked.obj');
const offered = await picker.evaluate(() => window.pickerOptions.types.map((t) => t.description));
check(await picker.inputValue('#cboFORMAT') === 'obj' && offered[0] === 'DXFファイル(*.dxf)' && offered.length === formats.length,
    `the save dialog offers the types and its .obj name chooses OBJ: ${await picker.inputValue('#cboFORMAT')}, ${offered.join(' / ')}`);
let pickerDownloads = 0;
picker.on('download', () => pickerDownloads++);
await picker.click('#cmdDXF');
await picker.waitForSelector('#lblMSG[data-phase=finished]');
const written = Buffer.from(await picker.evaluate(() => window.written));
check(pickerDownloads === 0 && await picker.evaluate(() => window.pickerClosed) && equalApartFromDate(written, cliFile('obj', texts, '11', 'picked.obj')),
    'the file goes to the chosen place, the same bytes as petalwright-cli\'s');
await picker.close();

check(problems.length === 0, `no console errors or warnings, no native dialogs, no other servers${problems.length ? ': ' + problems.join(' | ') : ''}`);
console.log(`${checks.failures ? 'FAILED' : 'passed'} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
await browser.close();
server.kill();
rmSync(folder, { recursive: true, force: true });
process.exit(checks.failures ? 1 : 0);
