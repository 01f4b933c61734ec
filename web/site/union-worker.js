// A printable job's helper: unites what the job's worker gives it (union-engine.js's unionTask) and
// hands the mesh back. A large flower's rings are shared out among a few of these.
'use strict';
const ready = import('./union-engine.js').then(async ({ loadUnionLibrary, unionTask }) => ({ library: await loadUnionLibrary(), unionTask }));

const kept = {}; // the whole solid, for the mesh's figures

self.onmessage = async ({ data: { id, task } }) => {
    try {
        const { library, unionTask } = await ready;
        const mesh = unionTask(library, task, kept);
        self.postMessage({ id, mesh }, mesh ? [mesh.vertProperties.buffer, mesh.triVerts.buffer] : []);
    } catch (error) {
        self.postMessage({ id, error: `${error.name ?? 'Error'}: ${error.message ?? error}` });
    }
};
