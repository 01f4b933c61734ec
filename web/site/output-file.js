// The output file: the name box, the type list and 設定. A type rewrites the name's extension, a
// typed extension of another type chooses that type, and before saving a name without the type's
// extension gets it, in the box. The core decides all three; this file shows them.
'use strict';
import { exclamation } from './message-box.js';

const $ = (id) => document.getElementById(id);

let core = null;
let formats = [];
let saveHandle = null; // the file the browser's save picker chose, while the name box shows its name
let formatChosen = () => {};

// `onFormat(name)` hears of every type the list comes to show, chosen or taken from a typed name.
export function setupOutputFile(coreWorker, formatList, onFormat) {
    core = coreWorker;
    formats = formatList;
    formatChosen = onFormat;
    const list = $('cboFORMAT');
    for (const format of formats)
        list.add(new Option(format.fileType, format.name));
    list.value = formats[0].name;
    // The core answers later; an answer is dropped when the user has typed or chosen since it was
    // asked, so a quick keystroke after a choice is never overwritten by the older name.
    const box = $('txtDXFFILE');
    list.addEventListener('change', async () => {
        saveHandle = null;
        const [name, format] = [box.value, list.value];
        formatChosen(format);
        const renamed = await core.call('nameWithFormat', [name, format]);
        if (box.value === name && list.value === format)
            box.value = renamed;
    });
    box.addEventListener('input', async () => {
        saveHandle = null;
        const [name, format] = [box.value, list.value];
        const chosen = await core.call('formatForName', [format, name]);
        if (box.value === name && list.value === format) {
            list.value = chosen;
            formatChosen(chosen);
        }
    });
    $('cmdOUT').addEventListener('click', cmdOUT_Click);
}

// The name and type a run saves under, settled in the box and the list first; null without a name.
export async function settleOutputFile() {
    const box = $('txtDXFFILE');
    const list = $('cboFORMAT');
    const typed = box.value.trim();
    if (!typed)
        return null;
    list.value = await core.call('formatForName', [list.value, typed]);
    const fileName = await core.call('savedName', [typed, list.value]);
    if (box.value !== fileName) {
        box.value = fileName;
        if (saveHandle?.name !== fileName)
            saveHandle = null;
    }
    return { fileName, format: list.value };
}

// 設定: the browser's own save dialog where there is one; elsewhere the file is downloaded under the name.
async function cmdOUT_Click() {
    if (!('showSaveFilePicker' in window)) {
        $('txtDXFFILE').focus();
        $('txtDXFFILE').select();
        return;
    }
    const current = $('cboFORMAT').value;
    const types = [...formats].sort((a, b) => (b.name === current) - (a.name === current)).map((format) => ({
        description: format.fileType,
        accept: { 'application/octet-stream': [`.${format.extension}`] },
    }));
    try {
        const handle = await window.showSaveFilePicker({ suggestedName: $('txtDXFFILE').value, types, id: 'petalwright' });
        // The name and its type shown together: never the new name with the old type.
        const format = await core.call('formatForName', [current, handle.name]);
        $('txtDXFFILE').value = handle.name;
        $('cboFORMAT').value = format;
        formatChosen($('cboFORMAT').value);
        saveHandle = handle;
    } catch (error) {
        if (error.name !== 'AbortError')
            await exclamation(`保存先を選べませんでした。\n${error.message}`);
    }
}

export async function saveBytes(bytes, fileName) {
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
