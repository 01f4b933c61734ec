// The page's engine of the printable solid: the union library (manifold-3d's manifold.js and
// manifold.wasm beside this file), loaded on the first printable job only. The core hands it the
// recipe's parts as convex pieces and takes the united mesh back; meshes only pass through here, what
// they are and what becomes of them is the core's. A module, so a job's worker and the tests under node share it.
let library = null;

export function loadUnionLibrary() {
    library ??= import('./manifold.js').then(async (module) => {
        const loaded = await module.default();
        loaded.setup();
        return loaded;
    });
    return library;
}

// unite(corners, perPiece, detail): the pieces whose corners `corners` (Float32Array of x, y, z) holds,
// `perPiece` corners each, every piece the convex hull of its corners, in the order given (each slab's
// pieces in turn, so neighbours come together); what they make, and each union of it with those before,
// simplified at `detail` when given (the clusters of slivers where a ring's pieces meet near the axis
// would otherwise go through every later union); subtract(corners): the united pieces
// less the hull of those corners (again with another hull, from the same pieces); mesh(tolerance, grid): the solid taken as one original (so the seams between the
// pieces are no longer kept), its detail below `tolerance` dropped, its corners rounded to `grid`, as
// { points: Float32Array, triangles: Uint32Array }; the solid stays, so the core may ask again with other
// figures; release(): the solid let go. Where many faces meet in one point (the tip of the cone that a
// ring's petals make about the axis), the exact union leaves a cluster of corners a few millionths of a millimetre apart that the
// simplification keeps; a file's floats cannot hold such triangles' directions. Rounding the corners
// to a grid far below the tolerance puts each cluster on one point, and the library, taking the mesh back
// and simplifying it again, collapses the triangles left without area.
export function unionEngine({ Manifold, Mesh }) {
    const united = []; // the rings united so far, as solids of 1, 2, 4 … rings, largest first
    let whole = null; // all of them, kept for another cut
    let solid = null;
    const hull = (corners, from, count) => {
        const points = [];
        for (let i = from; i < from + count; i++)
            points.push([corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]]);
        return Manifold.hull(points);
    };
    const replace = (next) => {
        solid?.delete();
        solid = next;
    };
    const add = (a, b) => {
        const sum = a.add(b);
        a.delete();
        b.delete();
        sum.numTri();
        return sum;
    };
    // The solids united neighbour with neighbour, pairs of them, pairs of those and so on, each step done
    // at once: the library left to itself takes a whole list as one batch and unites pieces far apart
    // first, which does the same work on ever larger solids.
    const uniteInOrder = (solids) => {
        while (solids.length > 1) {
            const level = [];
            for (let i = 0; i + 1 < solids.length; i += 2)
                level.push(add(solids[i], solids[i + 1]));
            if (solids.length % 2)
                level.push(solids.at(-1));
            solids = level;
        }
        return solids[0];
    };
    return {
        unite(corners, perPiece, detail) {
            const simplified = (a) => {
                if (!detail)
                    return a;
                const taken = a.asOriginal();
                const fewer = taken.simplify(detail);
                [a, taken].forEach((m) => m.delete());
                fewer.numTri();
                return fewer;
            };
            const pieces = [];
            for (let from = 0; from < corners.length / 3; from += perPiece)
                pieces.push(hull(corners, from, perPiece));
            if (!pieces.length)
                return;
            let next = { solid: simplified(uniteInOrder(pieces)), rings: 1 };
            // Asked for the count at each step, the library does each ring's work in its own step, so the
            // job's progress follows the work. Solids of as many rings are added as they come (as a
            // binary counter counts), so the work stays that of one balanced union of all the rings.
            while (united.length && united[united.length - 1].rings === next.rings) {
                const last = united.pop();
                next = { solid: simplified(add(last.solid, next.solid)), rings: 2 * next.rings };
            }
            united.push(next);
        },
        subtract(corners) {
            if (united.length) {
                whole = united.pop().solid;
                while (united.length)
                    whole = add(united.pop().solid, whole);
            }
            const cut = hull(corners, 0, corners.length / 3);
            replace(whole.subtract(cut));
            cut.delete();
            solid.numTri(); // the cut's work in its own step
        },
        mesh(tolerance, grid) {
            const made = [];
            const keep = (next) => (made.push(next), next);
            const exact = keep(keep(solid.asOriginal()).setTolerance(tolerance)).getMesh();
            const rounded = exact.vertProperties.map((x) => Math.round(x / grid) * grid);
            const taken = keep(new Manifold(new Mesh({ numProp: 3, vertProperties: rounded, triVerts: exact.triVerts, tolerance })));
            // Rounding can leave three corners on one line: simplified once more, so none stays without area.
            const mesh = keep(taken.simplify(tolerance)).getMesh();
            made.forEach((m) => m.delete());
            return { points: mesh.vertProperties, triangles: mesh.triVerts };
        },
        release() {
            replace(null);
            whole?.delete();
            whole = null;
        },
    };
}
