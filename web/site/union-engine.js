// The page's engine of the printable solid: the union library (manifold-3d's manifold.js and
// manifold.wasm beside this file), loaded on the first printable job only. The core hands it the
// recipe's parts and takes the united mesh back; meshes only pass through here, what they are and
// what becomes of them is the core's. A module, so a job's worker and the tests under node share it.
let library = null;

export function loadUnionLibrary() {
    library ??= import('./manifold.js').then(async (module) => {
        const loaded = await module.default();
        loaded.setup();
        return loaded;
    });
    return library;
}

// unite(parts), subtract(part), mesh(tolerance) (edges shorter and slivers thinner than it merged
// away): parts are { points: Float32Array, triangles: Uint32Array }.
export function unionEngine({ Manifold, Mesh }) {
    let solid = null;
    const solidOf = (part) => new Manifold(new Mesh({ numProp: 3, vertProperties: part.points, triVerts: part.triangles }));
    const replace = (next) => {
        solid?.delete();
        solid = next;
    };
    return {
        unite(parts) {
            const list = parts.map(solidOf);
            replace(Manifold.union(solid ? [solid, ...list] : list));
            list.forEach((m) => m.delete());
        },
        subtract(part) {
            const cut = solidOf(part);
            replace(solid.subtract(cut));
            cut.delete();
        },
        mesh(tolerance) {
            replace(solid.simplify(tolerance));
            const mesh = solid.getMesh();
            return { points: mesh.vertProperties, triangles: mesh.triVerts };
        },
    };
}
