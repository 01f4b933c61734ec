// The site for the page's tests and benchmark: served by python3's http.server, as the README serves
// it, behind a proxy that counts what it sends, and a cold first visit measured through it.
import { spawn } from 'node:child_process';
import net from 'node:net';

// A test's checks: each printed as ok or FAIL, the failures counted for the exit status.
export function checker() {
    const checks = { failures: 0 };
    checks.check = (ok, what) => {
        console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
        if (!ok)
            checks.failures++;
    };
    return checks;
}

// The site served by python3's http.server, as the README serves it, once it answers.
export async function serveSite(site) {
    const port = 20000 + Math.floor(Math.random() * 20000);
    const server = spawn('python3', ['-m', 'http.server', '--bind', '127.0.0.1', '-d', site, String(port)], { stdio: 'ignore' });
    for (let i = 0; i < 100; i++) {
        try {
            if ((await fetch(`http://127.0.0.1:${port}/`)).ok)
                break;
        } catch {
            await new Promise((r) => setTimeout(r, 100));
        }
    }
    return { server, port };
}

// A TCP proxy in front of the site's server that counts the bytes the server sends: every request
// of the page, its workers and its service worker, headers included, as they cross the wire; and
// the paths asked for.
export async function countingProxy(targetPort) {
    const counter = { bytes: 0, requests: 0, paths: [] };
    const proxy = net.createServer((client) => {
        const upstream = net.connect(targetPort, '127.0.0.1');
        counter.requests++;
        client.on('data', (chunk) => {
            for (const [, path] of chunk.toString('latin1').matchAll(/^GET (\S+) HTTP\//gm))
                counter.paths.push(path.replace(/\?.*/, ''));
        });
        client.pipe(upstream);
        upstream.on('data', (chunk) => { counter.bytes += chunk.length; });
        upstream.pipe(client);
        const close = () => { client.destroy(); upstream.destroy(); };
        client.on('error', close);
        upstream.on('error', close);
    });
    await new Promise((resolve) => proxy.listen(0, '127.0.0.1', resolve));
    counter.port = proxy.address().port;
    counter.close = () => proxy.close();
    return counter;
}

// One cold visit in a fresh context: bytes until the page is ready (core loaded, preview drawn), the
// time to ready, and bytes in all once the service worker has stored the site and the network is quiet.
export async function coldVisit(browser, serverPort, query = '') {
    const counter = await countingProxy(serverPort);
    const context = await browser.newContext({ locale: 'ja-JP' });
    const page = await context.newPage();
    const start = performance.now();
    await page.goto(`http://127.0.0.1:${counter.port}/${query}`);
    await page.waitForSelector('#frmMAIN[aria-busy="false"]');
    const readyMs = performance.now() - start;
    const beforeReady = counter.bytes;
    await page.evaluate(async () => { await navigator.serviceWorker.ready; });
    let last = -1;
    while (last !== counter.bytes) { // quiet for 300 ms
        last = counter.bytes;
        await new Promise((r) => setTimeout(r, 300));
    }
    const result = { beforeReady, inAll: counter.bytes, readyMs, requests: counter.requests, paths: counter.paths };
    await context.close();
    counter.close();
    return result;
}
