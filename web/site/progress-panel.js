// The progress window (frmDXF) in the page: the file's name and estimate, "△k / n" while the job
// runs in a worker of its own, キャンセル before the file (nothing saved) or while writing it (the
// faces so far, saved as a complete shorter file), 終了しました and 閉じる at the end. A printable type's
// job builds the solid (the core's text per step; キャンセル ends it at once, nothing saved) and saves it whole.
'use strict';
import { CoreWorker } from './core-worker.js';
import { exclamation } from './message-box.js';
import { closeModal, showModal } from './modal.js';

const $ = (id) => document.getElementById(id);
const kJobStartDelayMs = 500; // the job starts this long after the window opens

let job = null; // the run in the window: { worker, phase, done, state, cancel, timer }

function dateTimeText() {
    return new Intl.DateTimeFormat('ja-JP', { dateStyle: 'short', timeStyle: 'medium' }).format(new Date());
}

// "△k / n" with the counts grouped by the core.
function showProgress(doneText, totalText) {
    $('lblMSG').textContent = `△${doneText} / ${totalText}`;
}

function closeProgressWindow() {
    closeModal($('frmDXF'));
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

export function setupProgressPanel() {
    $('cmdCANCEL').addEventListener('click', cmdCANCEL_Click);
    // Esc does nothing, as in the window; Tab stays on キャンセル.
    $('frmDXF').addEventListener('keydown', (event) => {
        if (event.key === 'Escape')
            event.preventDefault();
        if (event.key === 'Tab') {
            event.preventDefault();
            $('cmdCANCEL').focus();
        }
    });
}

// Runs `format` for `texts` and `seed` (a printable type with `solid`, its { thickness, size } texts)
// and hands the bytes to `save(bytes)`; `onFinished` after a completed run.
export function runInProgressWindow({ fileName, format, texts, seed, estimate, solid, save, onFinished }) {
    $('lblINFO').textContent = `${fileName} :\n△${estimate.faceText}   ${estimate.sizeText}`;
    $('lblMSG').textContent = '';
    $('lblMSG').dataset.phase = 'waiting';
    $('cmdCANCEL').textContent = 'キャンセル';
    showModal($('frmDXF'));
    $('cmdCANCEL').focus();
    const dateTime = dateTimeText();
    const current = { worker: null, phase: 'waiting', done: 0, state: 'working' };
    job = current;

    const start = (stopAt) => {
        current.worker?.terminate();
        current.worker = new CoreWorker();
        const call = solid ? ['runSolidJob', [format, texts, seed, fileName, dateTime, solid.thickness, solid.size]]
            : ['runJob', [format, texts, seed, fileName, dateTime, stopAt]];
        return current.worker.call(...call, (progress) => {
            if (current.state !== 'working')
                return;
            current.phase = progress.phase;
            current.done = progress.done;
            $('lblMSG').dataset.phase = progress.phase;
            if (progress.text)
                $('lblMSG').textContent = progress.text;
            else
                showProgress(progress.doneText, estimate.faceText);
        });
    };
    current.cancel = async () => {
        current.state = 'cancelled';
        clearTimeout(current.timer);
        if (current.phase !== 'file') {
            current.worker?.terminate();
            closeProgressWindow();
            return;
        }
        const stopAt = current.done;
        try {
            const result = await start(stopAt);
            current.worker.terminate();
            await save(result.bytes);
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
        if (result.outcome === 'failed') {
            closeProgressWindow();
            await exclamation(result.problem);
            return;
        }
        if (result.orientation) // how the solid stands on the bed, as the window says it while saving
            $('lblMSG').textContent = result.orientation;
        try {
            await save(result.bytes);
        } catch (error) {
            closeProgressWindow();
            await exclamation(`ファイルを保存できませんでした。\n${fileName}\n${error.message}`);
            return;
        }
        current.state = 'finished';
        $('lblMSG').textContent = '終了しました';
        $('lblMSG').dataset.phase = 'finished';
        $('cmdCANCEL').textContent = '閉じる';
        onFinished();
    }, kJobStartDelayMs);
}
