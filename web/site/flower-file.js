// Opening a flower from a file Petalwright wrote (any type, the flower file included), chosen with
// 開く or dropped on the page. The core reads the file; opening runs nothing and writes nothing.
'use strict';
import { exclamation } from './message-box.js';

const $ = (id) => document.getElementById(id);

// `show(flower)` gets { texts, seed } (seed null when the file records none) of a readable file.
export function setupFlowerFile(core, show) {
    const open = async (file) => {
        if (!file)
            return;
        const flower = await core.call('readFlower', [file.name, new Uint8Array(await file.arrayBuffer())]);
        if (flower.problem) {
            await exclamation(flower.problem);
            return;
        }
        show(flower);
        if (flower.note)
            await exclamation(flower.note);
    };
    $('cmdOPEN').addEventListener('click', () => $('filOPEN').click());
    $('filOPEN').addEventListener('change', () => {
        const file = $('filOPEN').files[0];
        $('filOPEN').value = '';
        open(file);
    });
    document.addEventListener('dragover', (event) => {
        if (event.dataTransfer?.types.includes('Files') && !document.querySelector('main').inert) {
            event.preventDefault();
            event.dataTransfer.dropEffect = 'copy';
        }
    });
    document.addEventListener('drop', (event) => {
        if (!event.dataTransfer?.files.length || document.querySelector('main').inert)
            return;
        event.preventDefault();
        open(event.dataTransfer.files[0]);
    });
}
