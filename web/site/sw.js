// Keeps the site for offline use: every file is stored at the first visit, then served from the
// store; a new build (a new list of files) replaces the store. Build fills in the list and its name.
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

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET' || new URL(request.url).origin !== location.origin)
        return;
    // The page with any ?seed=N is the one page.
    const lookup = request.mode === 'navigate'
        ? caches.match(new URL('./', self.registration.scope).href, { ignoreSearch: true }).then((r) => r || caches.match(request, { ignoreSearch: true }))
        : caches.match(request, { ignoreSearch: true });
    event.respondWith(lookup.then((cached) => cached || fetch(request)));
});
