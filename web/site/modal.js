// Dialogs over the page: while one is open, everything else (the window and any dialog under it)
// is inert, so neither Tab, a click nor a screen reader reaches it.
'use strict';

const open = [];

function update() {
    const top = open.at(-1) ?? null;
    for (const part of [document.querySelector('main'), ...document.querySelectorAll('.overlay')])
        part.inert = top !== null && part !== top;
}

function remove(overlay) {
    const at = open.indexOf(overlay);
    if (at >= 0)
        open.splice(at, 1);
}

export function showModal(overlay) {
    remove(overlay);
    open.push(overlay);
    overlay.hidden = false;
    update();
}

export function closeModal(overlay) {
    remove(overlay);
    overlay.hidden = true;
    update();
}
