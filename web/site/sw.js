// Keeps the site for offline use: every file is stored at the first visit, then each address is
// answered with its own stored file (the page with any query, the help page, a script), else from
// the network; a new build (a new list of files) replaces the store. Build fills in the list and its name.
'use strict';
const kCache = 'petalwright-@BUILD@';
const kFiles = [@FILES@];

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(kCache).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((names) => Promise.all(names.filter((n) => n.startsWith('petalwright-') && n !== kCache).map((n) => caches.delete(n))))
        .then(() => self.clients.claim()));
});

// The stored file of an address: the address itself without its query; a folder's index.html.
async function stored(request) {
    const cache = await caches.open(kCache);
    const url = new URL(request.url);
    url.search = '';
    url.hash = '';
    const found = await cache.match(url.href);
    if (found || !url.pathname.endsWith('/'))
        return found;
    return cache.match(new URL('index.html', url).href);
}

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== location.origin)
        return;
    event.respondWith(stored(request).then((file) => file || fetch(request)));
});
