// Runs the core off the page's thread: loads the WebAssembly module, answers the page's questions
// (texts and lists, checks, estimate, preview) and runs a job, reporting its progress. The page
// starts one worker for its questions and one for each job, so a job never holds up the preview.
// A printable job also loads the union library (union-engine.js), only then, and deflates a 3MF's model.
'use strict';
importScripts('petalwright-core.js');

const ready = createPetalwrightCore();
// Progress is posted at most this often (ms): enough for a label, few messages for a big run.
const kProgressInterval = 50;

// The 3MF package with its model deflated by the browser (the core has no zlib here) and packed by
// the core; null where the browser cannot deflate, and the stored package stays.
async function deflatedThreeMf(core, model) {
    try {
        const stream = new Blob([model]).stream().pipeThrough(new CompressionStream('deflate-raw'));
        return core.packThreeMf(model, new Uint8Array(await new Response(stream).arrayBuffer()));
    } catch {
        return null;
    }
}

// The crossing mender (petalwright-mend.js), loaded with the first printable job beside the union
// library; loaded again by a later job where it failed (offline before it was stored).
let menderLoaded = null;
function loadMender() {
    if (!menderLoaded) {
        importScripts('petalwright-mend.js');
        menderLoaded = createPetalwrightMend();
        menderLoaded.catch(() => (menderLoaded = null));
    }
    return menderLoaded;
}

// A flower of this many pieces or more has its rings united ahead of the run by helpers, as many as
// the machine has cores (up to four), each in a worker of its own; a smaller one is done sooner alone.
const kSharedPieces = 3000;
const kMostHelpers = 4;

// The helpers for `prepared` (the core's solidRings), each { run(task), terminate() }: on a single core,
// or where a worker cannot start workers of its own (older browsers), one doing the same work in this
// worker (`inPlace()`), so that the file is the same on every machine; null where the flower is small
// or the values do not pass.
function unionHelpers(prepared, inPlace) {
    const count = Math.min(kMostHelpers, self.navigator?.hardwareConcurrency ?? 1);
    const pieces = prepared?.rings.reduce((sum, ring) => sum + ring.length / (3 * prepared.perPiece), 0) ?? 0;
    if (pieces < kSharedPieces)
        return null;
    if (count < 2 || typeof Worker !== 'function')
        return { prepared, runners: [inPlace()] };
    const runners = Array.from({ length: count }, () => {
        const helper = new Worker('union-worker.js');
        const waiting = new Map();
        let next = 1;
        helper.onmessage = ({ data: { id, mesh, error } }) => {
            const { resolve, reject } = waiting.get(id);
            waiting.delete(id);
            if (error)
                reject(new Error(error));
            else
                resolve(mesh);
        };
        helper.onerror = (event) => {
            event.preventDefault();
            waiting.forEach(({ reject }) => reject(new Error(event.message || 'union worker')));
            waiting.clear();
        };
        return {
            run(task) {
                const id = next++;
                return new Promise((resolve, reject) => {
                    waiting.set(id, { resolve, reject });
                    // Handed over, not copied: the job keeps none of it.
                    const arrays = [task.ring, task.a?.vertProperties, task.a?.triVerts, task.b?.vertProperties, task.b?.triVerts];
                    helper.postMessage({ id, task }, arrays.filter(Boolean).map((array) => array.buffer));
                });
            },
            terminate: () => helper.terminate(),
        };
    });
    return { prepared, runners };
}

self.onmessage = async (event) => {
    const { id, call, args } = event.data;
    let core;
    try {
        core = await ready;
    } catch (error) {
        self.postMessage({ id, error: `WebAssembly: ${error.message ?? error}` });
        return;
    }
    if (call === 'runJob') {
        const [format, texts, seed, fileName, dateTime, stopAt] = args;
        let last = 0;
        let lastPhase = '';
        const result = core.runJob(format, texts, seed, fileName, dateTime, stopAt, 16, (phase, done) => {
            const now = performance.now();
            if (now - last >= kProgressInterval || phase !== lastPhase || done === stopAt) {
                last = now;
                lastPhase = phase;
                self.postMessage({ id, progress: { phase, done, doneText: core.groupedCount(done) } });
            }
        });
        const bytes = result.bytes.slice();
        self.postMessage({ id, result: { outcome: result.outcome, bytes } }, [bytes.buffer]);
        return;
    }
    if (call === 'runSolidJob') {
        const [format, texts, seed, fileName, dateTime, thickness, size] = args;
        let engine;
        let ringsShown = 0;
        try {
            const { loadUnionLibrary, unionEngine, uniteAhead, unionTask } = await import('./union-engine.js');
            const library = await loadUnionLibrary();
            const mender = await loadMender();
            let rings;
            const helpers = unionHelpers(core.solidRings(texts, seed, thickness, size, 0, 0), () => {
                const kept = {};
                return { run: async (task) => unionTask(library, task, kept), terminate() {} };
            });
            if (helpers) {
                const { prepared, runners } = helpers;
                const shown = (count) => {
                    ringsShown = count;
                    self.postMessage({ id, progress: { phase: 'solid', done: count, doneText: core.groupedCount(count), text: prepared.steps[count - 1] } });
                };
                try {
                    rings = await uniteAhead((slabs, pinnedSize) => (slabs ? core.solidRings(texts, seed, thickness, size, slabs, pinnedSize) : prepared),
                        (slabs, pinnedSize, k, mesh) => core.solidMeshSound(texts, seed, thickness, size, slabs, pinnedSize, k,
                            { points: mesh.vertProperties, triangles: mesh.triVerts }),
                        runners, shown, () => shown(prepared.steps.length)); // the heart and the cut
                    // No row sound: the floats the solids travelled in may be the cause, so the run does it all
                    // again alone (rarely: one random flower of ten of many pieces; it then finished).
                    if (rings.slabs >= prepared.slabRows)
                        rings = undefined;
                } catch {
                    rings = undefined;
                    ringsShown = 0; // the helpers failed (no worker here?): the run does it all alone
                } finally {
                    runners.forEach((runner) => runner.terminate());
                }
            }
            engine = unionEngine(library, rings, mender);
        } catch (error) {
            self.postMessage({ id, error: `WebAssembly: ${error.message ?? error}` });
            return;
        }
        let last = 0;
        let result;
        try {
            result = core.runSolidJob(format, texts, seed, fileName, dateTime, thickness, size, engine, (phase, done, text) => {
                const now = performance.now();
                // The rings united ahead are passed over quickly: not shown again.
                if (ringsShown && (phase === 'mesh' || (phase === 'solid' && done <= ringsShown)))
                    return;
                if (phase !== 'mesh' || now - last >= kProgressInterval) {
                    last = now;
                    self.postMessage({ id, progress: { phase, done, doneText: core.groupedCount(done), text } });
                }
            });
        } catch (error) {
            self.postMessage({ id, error: `${error.name ?? 'Error'}: ${error.message ?? error}` });
            return;
        }
        let bytes = result.bytes?.slice();
        if (result.model) {
            bytes = await deflatedThreeMf(core, result.model) ?? bytes;
            delete result.model;
        }
        self.postMessage({ id, result: { ...result, bytes } }, bytes ? [bytes.buffer] : []);
        return;
    }
    if (call === 'loadUnionLibrary') {
        // Fetched ahead of the first printable job (and kept by the service worker for offline use).
        try {
            const { loadUnionLibrary } = await import('./union-engine.js');
            await Promise.all([loadUnionLibrary(), loadMender()]);
            self.postMessage({ id, result: true });
        } catch (error) {
            self.postMessage({ id, error: `WebAssembly: ${error.message ?? error}` });
        }
        return;
    }
    if (call === 'previewFaces') {
        const faces = core.previewFaces(...args);
        if (faces === null) {
            self.postMessage({ id, result: null });
            return;
        }
        const result = { corners: faces.corners.slice(), rings: faces.rings.slice(), ringCount: faces.ringCount };
        self.postMessage({ id, result }, [result.corners.buffer, result.rings.buffer]);
        return;
    }
    self.postMessage({ id, result: core[call](...args) });
};
