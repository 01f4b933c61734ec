// The page: draws the window, and asks the core (in a worker) for every text, list, check and file.
// Nothing here decides what a flower or a file is: the labels, defaults, formats, samples, messages,
// estimate and the files' bytes all come from the core.
'use strict';

const $ = (id) => document.getElementById(id);
const kBoxIds = ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'];
const kPreviewDelayMs = 150; // the window redraws this long after the last change of a box
const kJobStartDelayMs = 500; // the progress window starts its job this long after it opens

// ---- Talking to the core ---------------------------------------------------------------------

// One worker; each call gets a promise of its answer, progress goes to the call's listener.
class CoreWorker {
    constructor() {
        this.worker = new Worker('worker.js');
        this.next = 1;
        this.pending = new Map();
        this.worker.onmessage = (event) => {
            const { id, result, progress, error } = event.data;
            const call = this.pending.get(id);
            if (!call)
                return;
            if (progress) {
                call.onProgress?.(progress);
                return;
            }
            this.pending.delete(id);
            if (error)
                call.reject(new Error(error));
            else
                call.resolve(result);
        };
        this.worker.onerror = (event) => {
            event.preventDefault();
            for (const call of this.pending.values())
                call.reject(new Error(event.message || 'worker'));
            this.pending.clear();
        };
    }
    call(name, args = [], onProgress) {
        const id = this.next++;
        return new Promise((resolve, reject) => {
            this.pending.set(id, { resolve, reject, onProgress });
            this.worker.postMessage({ id, call: name, args });
        });
    }
    terminate() {
        this.worker.terminate();
        this.pending.clear();
    }
}

let core = null; // the worker of the page's questions, started with the page
let info = null;

// ---- The ring turns ----------------------------------------------------------------------------

// ?seed=N fixes the first ring turns, as --seed N does on the command line.
function seedFromAddress() {
    const seed = new URLSearchParams(location.search).get('seed');
    return seed !== null && /^\s*\+?\d+\s*$/.test(seed) ? seed.trim() : null;
}

function randomSeed() {
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((BigInt(words[0]) << 32n) | BigInt(words[1])).toString();
}

let ringSeed = seedFromAddress() ?? randomSeed();

// ---- Message boxes -----------------------------------------------------------------------------

// The window's message box in the page: text, buttons, the answer as a promise. The default button
// has the focus; Enter presses the focused button, Esc gives `escapeAnswer`.
function messageBox(text, buttons, escapeAnswer, kind = 'warning') {
    const box = $('msgBox');
    const row = $('msgButtons');
    $('msgTitle').textContent = info ? info.productName : 'Petalwright';
    $('msgText').textContent = text.replace(/\r\n/g, '\n');
    $('msgIcon').textContent = kind === 'question' ? '?' : '!';
    $('msgIcon').className = kind;
    row.replaceChildren();
    const returnFocus = document.activeElement;
    return new Promise((resolve) => {
        const close = (answer) => {
            box.hidden = true;
            box.removeEventListener('keydown', onKey, true);
            if (returnFocus instanceof HTMLElement)
                returnFocus.focus();
            resolve(answer);
        };
        const onKey = (event) => {
            if (event.key === 'Escape' && escapeAnswer !== undefined) {
                event.preventDefault();
                close(escapeAnswer);
            } else if (event.key === 'Tab') {
                // The focus stays among the box's buttons.
                const all = [...row.querySelectorAll('button')];
                const at = all.indexOf(document.activeElement);
                event.preventDefault();
                all[(at + (event.shiftKey ? all.length - 1 : 1)) % all.length].focus();
            }
        };
        let defaultButton = null;
        for (const { label, answer, isDefault } of buttons) {
            const button = document.createElement('button');
            button.type = 'button';
            button.textContent = label;
            button.dataset.answer = String(answer);
            button.addEventListener('click', () => close(answer));
            row.append(button);
            if (isDefault)
                defaultButton = button;
        }
        box.addEventListener('keydown', onKey, true);
        box.hidden = false;
        (defaultButton ?? row.querySelector('button')).focus();
    });
}

const exclamation = (text) => messageBox(text, [{ label: 'OK', answer: true, isDefault: true }], true);
const question = (text) => messageBox(text, [{ label: 'はい', answer: true }, { label: 'いいえ', answer: false, isDefault: true }], false, 'question');

// ---- The six boxes -----------------------------------------------------------------------------

const boxes = () => kBoxIds.map((id) => $(id));
const boxTexts = () => boxes().map((box) => box.value);

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
            schedulePreview();
        });
    });
}

// ---- Output file and type ----------------------------------------------------------------------

let saveHandle = null; // the file the browser's save picker chose, while the name box shows its name

function setupOutput() {
    const list = $('cboFORMAT');
    for (const format of info.formats)
        list.add(new Option(format.fileType, format.name));
    list.value = info.formats[0].name;
    list.addEventListener('change', async () => {
        saveHandle = null;
        $('txtDXFFILE').value = await core.call('nameWithFormat', [$('txtDXFFILE').value, list.value]);
    });
    $('txtDXFFILE').addEventListener('input', async () => {
        saveHandle = null;
        list.value = await core.call('formatForName', [list.value, $('txtDXFFILE').value]);
    });
    $('cmdOUT').addEventListener('click', cmdOUT_Click);
}

// 設定: the browser's own save dialog where there is one; elsewhere the file is downloaded under the name.
async function cmdOUT_Click() {
    if (!('showSaveFilePicker' in window)) {
        $('txtDXFFILE').focus();
        $('txtDXFFILE').select();
        return;
    }
    const current = $('cboFORMAT').value;
    const types = [...info.formats].sort((a, b) => (b.name === current) - (a.name === current)).map((format) => ({
        description: format.fileType,
        accept: { 'application/octet-stream': [`.${format.extension}`] },
    }));
    try {
        const handle = await window.showSaveFilePicker({ suggestedName: $('txtDXFFILE').value, types, id: 'petalwright' });
        $('txtDXFFILE').value = handle.name;
        $('cboFORMAT').value = await core.call('formatForName', [current, handle.name]);
        saveHandle = handle;
    } catch (error) {
        if (error.name !== 'AbortError')
            await exclamation(`保存先を選べませんでした。\n${error.message}`);
    }
}

async function saveBytes(bytes, fileName) {
    if (saveHandle && saveHandle.name === fileName) {
        const writable = await saveHandle.createWritable();
        await writable.write(bytes);
        await writable.close();
        return;
    }
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const link = document.createElement('a');
    link.href = url;
    link.download = fileName;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
}

// ---- DXF生成 and the progress window ----------------------------------------------------------

function dateTimeText() {
    return new Intl.DateTimeFormat('ja-JP', { dateStyle: 'short', timeStyle: 'medium' }).format(new Date());
}

let job = null; // the run in the progress window: { worker, phase, done, state }

async function cmdDXF_Click() {
    const fileName = $('txtDXFFILE').value.trim();
    if (!fileName) {
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
    const estimate = await core.call('estimate', [texts]);
    if (estimate.faceTotal >= info.confirmFaceCount) {
        const prompt = `△${estimate.faceText} ファイルサイズ ${estimate.sizeText} になります。\r\n\r\n続けますか？`;
        if (!(await question(prompt)))
            return;
    }
    runInProgressWindow(fileName, $('cboFORMAT').value, texts, estimate);
}

// "△k / n" with the counts grouped by the core.
function showProgress(doneText, totalText) {
    $('lblMSG').textContent = `△${doneText} / ${totalText}`;
}

function runInProgressWindow(fileName, format, texts, estimate) {
    const panel = $('frmDXF');
    $('lblINFO').textContent = `${fileName} :\n△${estimate.faceText}   ${estimate.sizeText}`;
    $('lblMSG').textContent = '';
    $('lblMSG').dataset.phase = 'waiting';
    $('cmdCANCEL').textContent = 'キャンセル';
    panel.hidden = false;
    $('cmdCANCEL').focus();
    const seed = ringSeed;
    const dateTime = dateTimeText();
    const current = { worker: null, phase: 'waiting', done: 0, state: 'working', fileName };
    job = current;

    const start = (stopAt) => {
        current.worker?.terminate();
        current.worker = new CoreWorker();
        return current.worker.call('runJob', [format, texts, seed, fileName, dateTime, stopAt], (progress) => {
            if (current.state !== 'working')
                return;
            current.phase = progress.phase;
            current.done = progress.done;
            $('lblMSG').dataset.phase = progress.phase;
            showProgress(progress.doneText, estimate.faceText);
        });
    };
    current.cancel = async () => {
        current.state = 'cancelled';
        clearTimeout(current.timer);
        if (current.phase !== 'file') {
            // Cancel before the file: nothing is written.
            current.worker?.terminate();
            closeProgressWindow();
            return;
        }
        // Cancel while writing: the faces shown so far, as a complete shorter file.
        const stopAt = current.done;
        try {
            const result = await start(stopAt);
            current.worker.terminate();
            await saveBytes(result.bytes, fileName);
        } catch (error) {
            await exclamation(`ファイルを保存できませんでした。\n${fileName}\n${error.message}`);
        }
        closeProgressWindow();
    };
    current.timer = setTimeout(async () => {
        current.phase = 'mesh';
        showProgress('0', estimate.faceText);
        let result;
        try {
            result = await start(-1);
        } catch (error) {
            if (current.state === 'working') {
                closeProgressWindow();
                await exclamation(`花を作れませんでした。\n${error.message}`);
            }
            return;
        }
        if (current.state !== 'working')
            return;
        current.worker.terminate();
        try {
            await saveBytes(result.bytes, fileName);
        } catch (error) {
            closeProgressWindow();
            await exclamation(`ファイルを保存できませんでした。\n${fileName}\n${error.message}`);
            return;
        }
        current.state = 'finished';
        $('lblMSG').textContent = '終了しました';
        $('lblMSG').dataset.phase = 'finished';
        $('cmdCANCEL').textContent = '閉じる';
        // A completed run uses up its ring turns: the next run and the preview get new ones.
        ringSeed = randomSeed();
        refreshPreview();
    }, kJobStartDelayMs);
}

function closeProgressWindow() {
    $('frmDXF').hidden = true;
    job = null;
    $('cmdDXF').focus();
}

function cmdCANCEL_Click() {
    if (!job)
        return;
    if (job.state === 'finished')
        closeProgressWindow();
    else if (job.state === 'working')
        job.cancel();
}

// ---- The preview -------------------------------------------------------------------------------

const view = { yaw: -0.5, pitch: 0.6, zoom: 1 };
const kDefaultView = { ...view };
let flower = null; // the last valid flower: { corners, rings, ringCount }
let previewTimer = 0;
let previewRequest = 0;

function schedulePreview() {
    clearTimeout(previewTimer);
    previewTimer = setTimeout(refreshPreview, kPreviewDelayMs);
}

async function refreshPreview() {
    clearTimeout(previewTimer);
    const request = ++previewRequest;
    const faces = await core.call('previewFaces', [boxTexts(), ringSeed]);
    if (request !== previewRequest)
        return;
    const valid = faces !== null;
    if (valid)
        flower = faces;
    $('cvsPREVIEW').classList.toggle('dim', !valid);
    $('lblNOTE').hidden = valid;
    drawPreview();
    $('cvsPREVIEW').dataset.shows = `${boxTexts().join(' ')} / ${valid ? ringSeed : '-'}`; // what is drawn, for tests
}

function drawPreview() {
    const canvas = $('cvsPREVIEW');
    const ratio = window.devicePixelRatio || 1;
    const size = 320;
    if (canvas.width !== size * ratio) {
        canvas.width = size * ratio;
        canvas.height = size * ratio;
    }
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    const sky = g.createLinearGradient(0, 0, 0, size);
    sky.addColorStop(0, '#ffffff');
    sky.addColorStop(1, '#dfe9f5');
    g.fillStyle = sky;
    g.fillRect(0, 0, size, size);
    if (!flower)
        return;
    const { corners, rings, ringCount } = flower;
    const faceCount = rings.length;
    const cy = Math.cos(view.yaw), sy = Math.sin(view.yaw), cp = Math.cos(view.pitch), sp = Math.sin(view.pitch);
    const centreY = 50;
    let radius = 1;
    for (let i = 0; i < corners.length; i += 3)
        radius = Math.max(radius, Math.hypot(corners[i], corners[i + 1] - centreY, corners[i + 2]));
    const scale = (size * 0.46 / radius) * view.zoom;
    const screen = new Float32Array(faceCount * 8);
    const depth = new Float32Array(faceCount);
    const shade = new Float32Array(faceCount);
    for (let f = 0; f < faceCount; f++) {
        let zSum = 0;
        const p = [];
        for (let c = 0; c < 4; c++) {
            const k = (f * 4 + c) * 3;
            const x = corners[k], y = corners[k + 1] - centreY, z = corners[k + 2];
            const x1 = x * cy - z * sy, z1 = x * sy + z * cy;
            const y2 = y * cp - z1 * sp, z2 = y * sp + z1 * cp;
            screen[f * 8 + c * 2] = size / 2 + x1 * scale;
            screen[f * 8 + c * 2 + 1] = size / 2 - y2 * scale;
            zSum += z2;
            p.push([x1, y2, z2]);
        }
        depth[f] = zSum / 4;
        // Light from the viewer: the face's normal towards the screen.
        const ax = p[2][0] - p[0][0], ay = p[2][1] - p[0][1], az = p[2][2] - p[0][2];
        const bx = p[3][0] - p[1][0], by = p[3][1] - p[1][1], bz = p[3][2] - p[1][2];
        const nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
        const n = Math.hypot(nx, ny, nz) || 1;
        shade[f] = 0.35 + 0.65 * Math.abs(nz / n);
    }
    const order = Array.from({ length: faceCount }, (_, i) => i).sort((a, b) => depth[a] - depth[b]);
    g.lineJoin = 'round';
    g.lineWidth = 0.6;
    g.strokeStyle = 'rgba(110, 110, 110, 0.45)';
    for (const f of order) {
        // cream outer rings, yellow towards the centre (the last ring)
        const t = ringCount > 1 ? rings[f] / (ringCount - 1) : 0;
        const s = shade[f];
        const r = Math.round((250 - 5 * t) * s), gr = Math.round((247 - 50 * t) * s), b = Math.round((240 - 170 * t) * s);
        g.fillStyle = `rgb(${r},${gr},${b})`;
        g.beginPath();
        g.moveTo(screen[f * 8], screen[f * 8 + 1]);
        for (let c = 1; c < 4; c++)
            g.lineTo(screen[f * 8 + c * 2], screen[f * 8 + c * 2 + 1]);
        g.closePath();
        g.fill();
        g.stroke();
    }
}

function setupPreview() {
    const canvas = $('cvsPREVIEW');
    let drag = null;
    canvas.addEventListener('pointerdown', (event) => {
        if (event.button !== 0)
            return;
        drag = { x: event.clientX, y: event.clientY };
        canvas.setPointerCapture(event.pointerId);
    });
    canvas.addEventListener('pointermove', (event) => {
        if (!drag)
            return;
        view.yaw += (event.clientX - drag.x) * 0.01;
        view.pitch = Math.max(-1.5, Math.min(1.5, view.pitch + (event.clientY - drag.y) * 0.01));
        drag = { x: event.clientX, y: event.clientY };
        drawPreview();
    });
    const end = () => { drag = null; };
    canvas.addEventListener('pointerup', end);
    canvas.addEventListener('pointercancel', end);
    canvas.addEventListener('wheel', (event) => {
        event.preventDefault();
        view.zoom = Math.max(0.2, Math.min(8, view.zoom * Math.exp(-event.deltaY * 0.001)));
        drawPreview();
    }, { passive: false });
    canvas.addEventListener('dblclick', () => {
        Object.assign(view, kDefaultView);
        drawPreview();
    });
    $('cmdSHAPE').addEventListener('click', () => {
        ringSeed = randomSeed();
        refreshPreview();
    });
}

// ---- Samples -----------------------------------------------------------------------------------

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

// ---- Start -------------------------------------------------------------------------------------

async function start() {
    core = new CoreWorker();
    info = await core.call('coreInfo');
    const title = `${info.productName} ${info.version}β`;
    document.title = title;
    $('lblTITLE').textContent = title;
    setupBoxes();
    setupOutput();
    setupSamples();
    setupPreview();
    $('cmdDXF').addEventListener('click', cmdDXF_Click);
    $('cmdCANCEL').addEventListener('click', cmdCANCEL_Click);
    // The progress window: Esc does nothing, as in the window.
    $('frmDXF').addEventListener('keydown', (event) => {
        if (event.key === 'Escape')
            event.preventDefault();
        if (event.key === 'Tab') {
            event.preventDefault();
            $('cmdCANCEL').focus();
        }
    });
    await refreshPreview();
    $('frmMAIN').setAttribute('aria-busy', 'false');
    $('cmdOUT').focus();
}

if ('serviceWorker' in navigator && location.protocol !== 'file:')
    navigator.serviceWorker.register('sw.js').catch(() => {});
start().catch((error) => {
    // Without its core the page can do nothing: say so in place of the window.
    const note = document.createElement('p');
    note.className = 'load-failure';
    note.textContent = location.protocol === 'file:'
        ? 'このページはファイルとして開くと動きません。Web サーバーから開いてください（例: python3 -m http.server -d build/web）。'
        : `プログラムを読み込めませんでした。ページを再読み込みしてください。\n${error.message}`;
    $('frmMAIN').replaceChildren(note);
    $('frmMAIN').setAttribute('aria-busy', 'false');
});
