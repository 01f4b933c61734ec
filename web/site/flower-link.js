// The flower in the page's address: the six values and the shape number, kept current as the user
// types (without reloading), and read back when a link opens the page. The core writes and reads
// the query; this file only moves it between the address and the page.
'use strict';

let core = null;
let pending = null;

export function setupFlowerLink(coreWorker) {
    core = coreWorker;
}

// The flower the address names: { texts, seed }, {} when it names none, or { problem }.
export function flowerOfAddress() {
    return core.call('linkFlower', [location.search]);
}

// Writes the flower into the address; the last of several quick calls wins.
export async function keepInAddress(texts, seed) {
    const request = pending = Symbol('address');
    const query = await core.call('flowerQuery', [texts, seed]);
    if (request === pending)
        history.replaceState(history.state, '', `${location.pathname}?${query}`);
}
