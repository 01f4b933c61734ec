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

// The convex hull of `count` corners of `corners` from `from`.
function hull({ Manifold }, corners, from, count) {
    const points = [];
    for (let i = from; i < from + count; i++)
        points.push([corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]]);
    return Manifold.hull(points);
}

function add(a, b) {
    const sum = a.add(b);
    a.delete();
    b.delete();
    sum.numTri(); // the work done now, in its own step
    return sum;
}

// `a` simplified at `detail` (when given) as one original, so the seams between its pieces go.
function simplified(a, detail) {
    if (!detail)
        return a;
    const taken = a.asOriginal();
    const fewer = taken.simplify(detail);
    [a, taken].forEach((m) => m.delete());
    fewer.numTri();
    return fewer;
}

// The solids united neighbour with neighbour, pairs of them, pairs of those and so on, each step done
// at once: the library left to itself takes a whole list as one batch and unites pieces far apart
// first, which does the same work on ever larger solids.
function uniteInOrder(solids) {
    while (solids.length > 1) {
        const level = [];
        for (let i = 0; i + 1 < solids.length; i += 2)
            level.push(add(solids[i], solids[i + 1]));
        if (solids.length % 2)
            level.push(solids.at(-1));
        solids = level;
    }
    return solids[0];
}

// One ring's pieces (`perPiece` corners each) united and simplified; null for none.
function uniteRing(library, corners, perPiece, detail) {
    const pieces = [];
    for (let from = 0; from < corners.length / 3; from += perPiece)
        pieces.push(hull(library, corners, from, perPiece));
    return pieces.length ? simplified(uniteInOrder(pieces), detail) : null;
}

// Solids travel between workers as meshes: { vertProperties, triVerts }.
const solidOf = ({ Manifold, Mesh }, { vertProperties, triVerts }) => new Manifold(new Mesh({ numProp: 3, vertProperties, triVerts }));

function meshOf(solid) {
    const { vertProperties, triVerts } = solid.getMesh();
    solid.delete();
    // Arrays of their own, so that they may be handed to another worker whole.
    return { vertProperties: vertProperties.slice(), triVerts: triVerts.slice() };
}

const sameCorners = (a, b) => a?.length === b.length && a.every((x, i) => x === b[i]);

// A union worker's task, meshes in and out: { ring, perPiece, detail } a ring's pieces (at least one)
// united; { a, b, detail } two solids added; { whole: { blocks, heart } } the
// rings' blocks and the heart taken as a run's engine takes them, kept in `kept` (the worker's own);
// { figures: { cut, tolerance, grid } } that solid cut and meshed with those figures, as the run's
// engine would give it.
export function unionTask(library, { ring, perPiece, detail, a, b, whole, figures }, kept = {}) {
    if (ring)
        return meshOf(uniteRing(library, ring, perPiece, detail));
    if (whole) {
        kept.engine?.release();
        kept.engine = unionEngine(library, { blocks: whole.blocks, count: 0 });
        if (whole.heart)
            kept.engine.unite(whole.heart, whole.heart.length / 3);
        kept.cut = null;
        return null;
    }
    if (figures) {
        if (!sameCorners(kept.cut, figures.cut)) {
            kept.engine.subtract(figures.cut);
            kept.cut = figures.cut;
        }
        const { points, triangles } = kept.engine.mesh(figures.tolerance, figures.grid);
        return { vertProperties: points.slice(), triVerts: triangles.slice() };
    }
    return meshOf(simplified(add(solidOf(library, a), solidOf(library, b)), detail));
}

// `nextTask()`'s tasks ({ task, done(answer) }) handed to whichever of `runners` is free until it gives
// none, asked again each time one is done; `failed` hears of a runner's failure.
function keepBusy(runners, nextTask, failed) {
    const idle = [...runners];
    const dispatch = () => {
        for (let next = idle.length && nextTask(); next; next = idle.length && nextTask()) {
            const runner = idle.pop();
            const { task, done } = next;
            runner.run(task).then((answer) => {
                idle.push(runner);
                done(answer);
                dispatch();
            }, failed);
        }
    };
    dispatch();
}

// The rings of a printable run (the core's solidRings: { rings, perPiece, detail }) united ahead of
// it by `runners` at once (each { run(task) }: a promise of unionTask's answer, in a worker of its
// own), whichever is free taking the next task: a pair as soon as both its halves are made, else the
// next ring. The solids are those the engine makes as the run hands it the rings one by one: blocks
// of 1, 2, 4 … rings from the first, largest first, each a balanced union of its rings, neighbour
// with neighbour (the rings without pieces left out); the same whichever runner makes them.
// `onRing(count)` hears of each ring done. Gives { blocks: [{ mesh, rings }], count }, what
// unionEngine takes as the run's first `count` rings already united.
export function uniteRings({ rings, perPiece, detail }, runners, onRing) {
    const withPieces = rings.filter((ring) => ring.length > 0);
    const blocks = [];
    for (let from = 0; from < withPieces.length; from += blocks.at(-1).rings)
        blocks.push({ from, rings: 2 ** Math.floor(Math.log2(withPieces.length - from)), mesh: null });
    const count = rings.length;
    return new Promise((resolve, reject) => {
        if (!blocks.length)
            return resolve({ blocks: [], count });
        const solids = new Map(); // `depth index` → the solid of rings [index 2^depth, (index + 1) 2^depth)
        const pairs = []; // [depth, first] of the pairs whose halves are both made
        let blocksLeft = blocks.length;
        let nextRing = 0;
        let ringsDone = rings.length - withPieces.length;
        const made = (depth, index, mesh) => {
            const block = blocks.find(({ from, rings }) => index * 2 ** depth >= from && index * 2 ** depth < from + rings);
            if (block.rings === 2 ** depth) {
                block.mesh = mesh;
                if (--blocksLeft === 0)
                    resolve({ blocks: blocks.map(({ mesh, rings }) => ({ mesh, rings })), count });
                return;
            }
            solids.set(`${depth} ${index}`, mesh);
            const first = index - (index % 2);
            if (solids.has(`${depth} ${first}`) && solids.has(`${depth} ${first + 1}`))
                pairs.push([depth, first]);
        };
        const nextTask = () => {
            if (pairs.length) {
                const [depth, first] = pairs.shift();
                const task = { a: solids.get(`${depth} ${first}`), b: solids.get(`${depth} ${first + 1}`), detail };
                solids.delete(`${depth} ${first}`);
                solids.delete(`${depth} ${first + 1}`);
                return { task, done: (mesh) => made(depth + 1, first / 2, mesh) };
            }
            if (nextRing < withPieces.length) {
                const index = nextRing++;
                return { task: { ring: withPieces[index], perPiece, detail }, done: (mesh) => (made(0, index, mesh), onRing?.(++ringsDone)) };
            }
            return null;
        };
        keepBusy(runners, nextTask, reject);
    });
}

// The mesh's figures (the core's solidRings: { heart, figures }) tried ahead of the run for the rings
// uniteRings made, by `runners` at once: each takes the whole solid first, then the rows in order,
// whichever is free taking the next; `sound(k, mesh)` (the core's check) hears of them in order,
// `onWhole()` of the whole solid made. Gives { first, mesh }: the first row whose mesh is sound and
// that mesh (first the rows' count and mesh null where none is), what unionEngine takes as `ahead`
// beside the rings.
export async function meshAhead({ heart, figures }, { blocks }, runners, sound, onWhole) {
    await Promise.all(runners.map((runner) => runner.run({ whole: { blocks, heart } })));
    onWhole?.();
    return new Promise((resolve, reject) => {
        const made = [];
        let next = 0;
        let checked = 0;
        let done = false;
        const finish = (first, mesh) => {
            done = true;
            resolve({ first, mesh });
        };
        const nextTask = () => {
            if (done || next >= figures.length)
                return null;
            const k = next++;
            return {
                task: { figures: figures[k] },
                done: (mesh) => {
                    made[k] = mesh;
                    while (!done && made[checked]) {
                        if (sound(checked, made[checked]))
                            finish(checked, made[checked]);
                        else
                            made[checked++] = null; // let go
                    }
                    if (!done && checked === figures.length)
                        finish(figures.length, null);
                },
            };
        };
        keepBusy(runners, nextTask, reject);
    });
}

// All of a run's union done ahead by `runners`, as the run would do it: the rings, then the mesh's
// figures in turn, for each row of slabs until one gives a sound mesh. `rowsOf(slabs, pinnedSize)`
// gives a row's parts (the core's solidRings), `check(slabs, pinnedSize, k, mesh)` the core's
// finish of a mesh ({ finished, sound, sizeMm }: the size pins the next row); `onRing` and `onWhole`
// hear of the first row's progress. Gives what unionEngine takes as `rings`.
export async function uniteAhead(rowsOf, check, runners, onRing, onWhole) {
    let slabs = 0;
    let pinnedSize = 0;
    let last;
    let rows = rowsOf(slabs, pinnedSize);
    const sound = (k, mesh) => {
        last = check(slabs, pinnedSize, k, mesh);
        return last.sound || !last.finished; // where the finish fails, the run says why
    };
    let rings = await uniteRings(rows, runners, onRing);
    rings.ahead = await meshAhead(rows, rings, runners, sound, onWhole);
    while (rings.ahead.first === rows.figures.length && ++slabs < rows.slabRows) {
        pinnedSize = last.sizeMm;
        rows = rowsOf(slabs, pinnedSize);
        rings = await uniteRings(rows, runners);
        rings.ahead = await meshAhead(rows, rings, runners, sound);
    }
    return Object.assign(rings, { slabs, pinnedSize });
}

// unionEngine(library, rings, mender): the engine a printable run hands its parts to; `rings`, uniteRings'
// answer, the run's first rings already united (the engine then passes over as many unite calls),
// with `ahead`, meshAhead's answer, the first figures' mesh (the run begins with those figures:
// firstFigures), and `slabs` and `pinnedSize`, the row of slabs they were made with (firstSlabs).
// unite(corners, perPiece, detail): the pieces whose corners `corners` (Float32Array of x, y, z) holds,
// `perPiece` corners each, every piece the convex hull of its corners, in the order given (each slab's
// pieces in turn, so neighbours come together); what they make, and each union of it with those before,
// simplified at `detail` when given (the clusters of slivers where a ring's pieces meet near the axis
// would otherwise go through every later union); subtract(corners): the united pieces
// less the hull of those corners (again with another hull, from the same pieces); mesh(tolerance, grid): the solid taken as one original (so the seams between the
// pieces are no longer kept), its detail below `tolerance` dropped, its corners rounded to `grid`, as
// { points: Float32Array, triangles: Uint32Array }; the solid stays, so the core may ask again with other
// figures; mend(points, triangles, most): a finished mesh checked by `mender` (petalwright-mend.js's
// module beside this file: CGAL's exact check and local repair, loaded by a job's worker with the union
// library): { crossings, left } (pairs of crossing triangles before and after; mended only where they are
// `most` or fewer) and the mended { points, triangles } where it mended; absent without a mender;
// release(): the solid let go. Where many faces meet in one point (the tip of the cone that a
// ring's petals make about the axis), the exact union leaves a cluster of corners a few millionths of a millimetre apart that the
// simplification keeps; a file's floats cannot hold such triangles' directions. Rounding the corners
// to a grid far below the tolerance puts each cluster on one point, and the library, taking the mesh back
// and simplifying it again, collapses the triangles left without area.
export function unionEngine(library, rings, mender) {
    const { Manifold, Mesh } = library;
    // The rings united so far, as solids of 1, 2, 4 … rings, largest first (those united ahead made
    // solids when first needed).
    let united = null;
    const unitedSoFar = () => (united ??= (rings?.blocks ?? []).map(({ mesh, rings }) => ({ solid: solidOf(library, mesh), rings })));
    let passOver = rings?.count ?? 0;
    // The first figures' mesh made ahead: the heart, the cut and the mesh it spares are done only if
    // the run asks for more.
    let ahead = rings?.ahead ?? null;
    const pending = [];
    const later = (work) => (ahead ? pending.push(work) : work());
    let whole = null; // all of them, kept for another cut
    let solid = null;
    let atTolerance = null; // { tolerance, mesh }: the solid's mesh at that tolerance, kept for the next figures
    const replace = (next) => {
        solid?.delete();
        solid = next;
        atTolerance = null;
    };
    const unite = (corners, perPiece, detail) => {
        const made = uniteRing(library, corners, perPiece, detail);
        if (!made)
            return;
        let next = { solid: made, rings: 1 };
        // Asked for the count at each step, the library does each ring's work in its own step, so the
        // job's progress follows the work. Solids of as many rings are added as they come (as a
        // binary counter counts), so the work stays that of one balanced union of all the rings.
        const stack = unitedSoFar();
        while (stack.length && stack[stack.length - 1].rings === next.rings) {
            const last = stack.pop();
            next = { solid: simplified(add(last.solid, next.solid), detail), rings: 2 * next.rings };
        }
        stack.push(next);
    };
    const subtract = (corners) => {
        const stack = unitedSoFar();
        if (stack.length) {
            whole = stack.pop().solid;
            while (stack.length)
                whole = add(stack.pop().solid, whole);
        }
        const cut = hull(library, corners, 0, corners.length / 3);
        replace(whole.subtract(cut));
        cut.delete();
        solid.numTri(); // the cut's work in its own step
    };
    return {
        firstFigures: ahead?.first,
        firstSlabs: rings?.slabs,
        pinnedSize: rings?.pinnedSize,
        unite(corners, perPiece, detail) {
            if (passOver > 0) {
                --passOver;
                return;
            }
            later(() => unite(corners, perPiece, detail));
        },
        subtract(corners) {
            later(() => subtract(corners));
        },
        mesh(tolerance, grid) {
            if (ahead) {
                const { mesh } = ahead;
                ahead = null;
                return { points: mesh.vertProperties, triangles: mesh.triVerts };
            }
            pending.splice(0).forEach((work) => work());
            const made = [];
            const keep = (next) => (made.push(next), next);
            if (atTolerance?.tolerance !== tolerance)
                atTolerance = { tolerance, mesh: keep(keep(solid.asOriginal()).setTolerance(tolerance)).getMesh() };
            const exact = atTolerance.mesh;
            const rounded = exact.vertProperties.map((x) => Math.round(x / grid) * grid);
            const taken = keep(new Manifold(new Mesh({ numProp: 3, vertProperties: rounded, triVerts: exact.triVerts, tolerance })));
            // Rounding can leave three corners on one line: simplified once more, so none stays without area.
            const mesh = keep(taken.simplify(tolerance)).getMesh();
            made.forEach((m) => m.delete());
            return { points: mesh.vertProperties, triangles: mesh.triVerts };
        },
        mend: mender ? (points, triangles, most) => mender.mendCrossings(points, triangles, most) : undefined,
        release() {
            ahead = null;
            pending.length = 0;
            // A run again (other slabs) starts from nothing.
            united?.forEach(({ solid }) => solid.delete());
            united = [];
            replace(null);
            whole?.delete();
            whole = null;
        },
    };
}
