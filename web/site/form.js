// The main window in the page: the six boxes, the samples, the shape number and 形を保つ, DXF生成 with
// its checks and question, and the start. Nothing here decides what a flower or a file is: the labels, defaults, formats, samples,
// messages, estimate, the seed's reading and the files' bytes all come from the core.
'use strict';
import { CoreWorker } from './core-worker.js';
import { setupFlowerFile } from './flower-file.js';
import { flowerOfAddress, keepInAddress, setupFlowerLink } from './flower-link.js';
import { exclamation, question, setMessageBoxTitle } from './message-box.js';
import { saveBytes, settleOutputFile, setupOutputFile } from './output-file.js';
import { Preview } from './preview.js';
import { askPrintTexts, setupPrintSettings } from './print-settings.js';
import { runInProgressWindow, setupProgressPanel } from './progress-panel.js';

const $ = (id) => document.getElementById(id);
const kBoxIds = ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'];
const kPreviewDelayMs = 150; // the window redraws this long after the last change of a box

let core = null; // the worker of the page's questions, started with the page
let info = null;
let preview = null;
let previewTimer = 0;

// ---- The ring turns: the shape number ------------------------------------------------------------

function randomSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
}

let ringSeed = randomSeed();

function setSeed(seed) {
    ringSeed = seed;
    $('txtSEED').value = seed;
    refreshPreview();
}

// A number typed into 形番号 shows that shape; a bad one gets the message box and the box shows the
// current one again.
async function txtSEED_Apply() {
    const box = $('txtSEED');
    if (box.value === ringSeed)
        return;
    const seed = await core.call('shapeNumber', [box.value]);
    if (seed === null) {
        await exclamation(await core.call('shapeNumberProblem'));
        box.value = ringSeed;
        return;
    }
    setSeed(seed);
}

function setupShapeNumber() {
    const box = $('txtSEED');
    box.value = ringSeed;
    box.addEventListener('focus', () => box.select());
    box.addEventListener('change', txtSEED_Apply);
    box.addEventListener('keydown', (event) => {
        if (event.key === 'Enter' && !event.isComposing) {
            event.preventDefault();
            txtSEED_Apply();
        }
    });
    $('cmdSHAPE').addEventListener('click', () => setSeed(randomSeed()));
}

// A link to the page names a flower: the six values and the shape number; a bad one gets the message
// box and the page shows the designed defaults with a new shape.
async function flowerFromAddress() {
    const flower = await flowerOfAddress();
    if (flower.problem)
        exclamation(flower.problem);
    else if (flower.texts)
        showFlower(flower);
}

// The six values and the shape number of a link or a file (a new shape when it records none).
function showFlower(flower) {
    boxes().forEach((box, i) => { box.value = flower.texts[i]; });
    const texts = boxTexts();
    $('cboSAMPLE').value = info.samples.find((s) => s.texts.every((t, i) => t === texts[i]))?.name ?? '';
    setSeed(flower.seed ?? randomSeed());
}

// ---- The six boxes and the preview ---------------------------------------------------------------

const boxes = () => kBoxIds.map((id) => $(id));
const boxTexts = () => boxes().map((box) => box.value);

// The preview and the address follow the boxes and the shape number.
function refreshPreview() {
    clearTimeout(previewTimer);
    keepInAddress(boxTexts(), ringSeed);
    return preview.refresh(boxTexts(), ringSeed);
}

function setupBoxes() {
    boxes().forEach((box, i) => {
        $(`Label_${i}`).textContent = info.labels[i];
        box.value = info.defaultTexts[i];
        // Tab or Enter into a box selects its whole text, so typing replaces the value.
        box.addEventListener('focus', () => box.select());
        box.addEventListener('keydown', (event) => {
            if (event.key !== 'Enter' || event.isComposing)
                return;
            event.preventDefault();
            const next = i + 1 < kBoxIds.length ? $(kBoxIds[i + 1]) : $('cmdDXF');
            next.focus();
        });
        box.addEventListener('input', () => {
            $('cboSAMPLE').value = '';
            clearTimeout(previewTimer);
            previewTimer = setTimeout(refreshPreview, kPreviewDelayMs);
        });
    });
}

function setupSamples() {
    const list = $('cboSAMPLE');
    list.add(new Option('（自由）', ''));
    for (const sample of info.samples)
        list.add(new Option(sample.japaneseName, sample.name));
    const texts = boxTexts();
    const start = info.samples.find((s) => s.texts.every((t, i) => t === texts[i]));
    list.value = start ? start.name : '';
    list.addEventListener('change', () => {
        const sample = info.samples.find((s) => s.name === list.value);
        if (!sample)
            return;
        boxes().forEach((box, i) => { box.value = sample.texts[i]; });
        refreshPreview(); // the whole flower changed at once: no pause as after typing
    });
    list.addEventListener('wheel', (event) => event.preventDefault(), { passive: false });
}

// ---- The printable types ---------------------------------------------------------------------------

const formatOf = (name) => info.formats.find((f) => f.name === name);
let unionLibrary = null; // the fetch of the printable types' union library, once one is chosen

// The union library is fetched only when a printable type is first chosen, not on a first visit; the
// service worker keeps it from then on, for offline use.
function formatChosen(name) {
    if (unionLibrary || !formatOf(name)?.printable)
        return;
    const worker = new CoreWorker();
    unionLibrary = worker.call('loadUnionLibrary')
        .catch(() => { unionLibrary = null; }) // offline before it was kept: tried again on the next choice
        .finally(() => worker.terminate());
}

// ---- DXF生成 ---------------------------------------------------------------------------------------

async function cmdDXF_Click() {
    const output = await settleOutputFile();
    if (!output) {
        await exclamation('ファイル名を入力してください。');
        $('txtDXFFILE').focus();
        return;
    }
    const texts = boxTexts();
    const problems = await core.call('check', [texts]);
    if (problems) {
        await exclamation(problems);
        return;
    }
    if (formatOf(output.format)?.flowerFile) {
        // The flower file holds no faces: saved at once, no question, no progress window, no new shape.
        const result = await core.call('runJob', [output.format, texts, ringSeed, output.fileName, '', -1, 1 << 30]);
        await saveBytes(result.bytes, output.fileName).catch((error) =>
            exclamation(`ファイルを保存できませんでした。\n${output.fileName}\n${error.message}`));
        return;
    }
    // A printable type asks the solid's thickness and size first; its estimate is the solid file's.
    let solid = null;
    if (formatOf(output.format)?.printable) {
        formatChosen(output.format);
        solid = await askPrintTexts(info.defaultThickness, (typed) => core.call('checkSolid', [typed.thickness, typed.size, texts]));
        if (!solid)
            return;
    }
    const estimate = await core.call('estimate', [texts, output.format, solid?.thickness ?? '', solid?.size ?? '']);
    if (estimate.faceTotal >= info.confirmFaceCount && !(await question(estimate.question)))
        return;
    runInProgressWindow({
        ...output,
        texts,
        seed: ringSeed,
        estimate,
        solid,
        save: (bytes) => saveBytes(bytes, output.fileName),
        onFinished: () => {
            // A completed run uses up its ring turns: the next run and the preview get new ones,
            // unless 形を保つ keeps them.
            if (!$('chkKEEP').checked)
                setSeed(randomSeed());
        },
    });
}

// ---- Start -------------------------------------------------------------------------------------

async function start() {
    core = new CoreWorker();
    info = await core.call('coreInfo');
    const title = `${info.productName} ${info.version}β`;
    document.title = title;
    $('lblTITLE').textContent = title;
    setMessageBoxTitle(info.productName);
    preview = new Preview($('cvsPREVIEW'), $('lblNOTE'), core);
    setupBoxes();
    setupOutputFile(core, info.formats, formatChosen);
    setupPrintSettings();
    setupSamples();
    setupShapeNumber();
    setupProgressPanel();
    setupFlowerLink(core);
    setupFlowerFile(core, showFlower);
    $('cmdDXF').addEventListener('click', cmdDXF_Click);
    $('cmdOUT').focus();
    await flowerFromAddress();
    await refreshPreview();
    $('frmMAIN').setAttribute('aria-busy', 'false');
}

// The service worker stores the site once the page is ready, so the first visit's own files come first.
const keepOffline = () => {
    if ('serviceWorker' in navigator && location.protocol !== 'file:')
        navigator.serviceWorker.register('sw.js').catch(() => {});
};
start().then(keepOffline, (error) => {
    // Without its core the page can do nothing: say so in place of the window.
    const note = document.createElement('p');
    note.className = 'load-failure';
    note.textContent = location.protocol === 'file:'
        ? 'このページはファイルとして開くと動きません。Web サーバーから開いてください（例: python3 -m http.server -d build/web）。'
        : `プログラムを読み込めませんでした。ページを再読み込みしてください。\n${error.message}`;
    $('frmMAIN').replaceChildren(note);
    $('frmMAIN').setAttribute('aria-busy', 'false');
});
