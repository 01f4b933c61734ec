// Keeps the site for offline use: the page's files are stored at the first visit, the printable
// types' union library when the page first asks for it; then each address is answered with its own
// stored file (the page with any query, the help page, a script), else from the network; a new build
// (a new list of files) replaces the store. Build fills in the lists and the store's name.
'use strict';
const kCache = 'petalwright-@BUILD@';
const kFiles = [@FILES@];
const kOnDemand = new Set([@ON_DEMAND@].map((file) => new URL(file, location).href));

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(kCache).then(async (cache) => {
        await cache.addAll(kFiles);
        // What an earlier build had stored on demand stays offline in this one.
        for (const file of kOnDemand)
            if (await caches.match(file))
                await cache.add(file).catch(() => {});
    }).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((names) => Promise.all(names.filter((n) => n.startsWith('petalwright-') && n !== kCache).map((n) => caches.delete(n))))
        .then(() => self.clients.claim()));
});

// An address without its query or fragment.
function plain(request) {
    const url = new URL(request.url);
    url.search = '';
    url.hash = '';
    return url;
}

// The stored file of an address: the address itself without its query; a folder's index.html.
async function stored(request) {
    const cache = await caches.open(kCache);
    const url = plain(request);
    const found = await cache.match(url.href);
    if (found || !url.pathname.endsWith('/'))
        return found;
    return cache.match(new URL('index.html', url).href);
}

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== location.origin)
        return;
    event.respondWith(stored(request).then((file) => file || fetch(request).then((response) => {
        const url = plain(request).href;
        if (response.ok && kOnDemand.has(url)) {
            const kept = response.clone();
            event.waitUntil(caches.open(kCache).then((cache) => cache.put(url, kept)));
        }
        return response;
    })));
});
