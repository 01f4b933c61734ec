// The page's line to the core: a worker running the WebAssembly module. Each call gets a promise of
// its answer; a job's progress goes to the call's listener.
'use strict';

export class CoreWorker {
    constructor() {
        this.worker = new Worker('worker.js');
        this.next = 1;
        this.pending = new Map();
        this.worker.onmessage = (event) => {
            const { id, result, progress, error } = event.data;
            const call = this.pending.get(id);
            if (!call)
                return;
            if (progress) {
                call.onProgress?.(progress);
                return;
            }
            this.pending.delete(id);
            if (error)
                call.reject(new Error(error));
            else
                call.resolve(result);
        };
        this.worker.onerror = (event) => {
            event.preventDefault();
            for (const call of this.pending.values())
                call.reject(new Error(event.message || 'worker'));
            this.pending.clear();
        };
    }
    call(name, args = [], onProgress) {
        const id = this.next++;
        return new Promise((resolve, reject) => {
            this.pending.set(id, { resolve, reject, onProgress });
            this.worker.postMessage({ id, call: name, args });
        });
    }
    terminate() {
        this.worker.terminate();
        this.pending.clear();
    }
}
