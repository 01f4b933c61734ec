// What a printable file the page saved must pass: admesh (Debian's) reads it as one part and repairs
// nothing. A 3MF package's model (stored or deflated, its sizes in its local header) goes to admesh as
// a binary STL of the same corners.
import { execFileSync } from 'node:child_process';
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';

function stlOfThreeMf(zip) {
    let at = 0;
    while (zip.toString('utf8', at + 30, at + 30 + zip.readUInt16LE(at + 26)) !== '3D/3dmodel.model')
        at += 30 + zip.readUInt16LE(at + 26) + zip.readUInt16LE(at + 28) + zip.readUInt32LE(at + 18);
    const start = at + 30 + zip.readUInt16LE(at + 26) + zip.readUInt16LE(at + 28);
    const data = zip.subarray(start, start + zip.readUInt32LE(at + 18));
    const model = (zip.readUInt16LE(at + 8) === 8 ? zlib.inflateRawSync(data) : data).toString('utf8');
    const points = [...model.matchAll(/<vertex x="([^"]+)" y="([^"]+)" z="([^"]+)"/g)].map((m) => m.slice(1, 4).map(Number));
    const triangles = [...model.matchAll(/<triangle v1="(\d+)" v2="(\d+)" v3="(\d+)"/g)].map((m) => m.slice(1, 4).map(Number));
    const stl = Buffer.alloc(84 + 50 * triangles.length);
    stl.writeUInt32LE(triangles.length, 80);
    triangles.forEach((corners, i) => { // normals left zero: a 3MF stores none
        corners.flatMap((k) => points[k]).forEach((x, j) => stl.writeFloatLE(x, 84 + 50 * i + 12 + 4 * j));
    });
    return stl;
}

// admesh's reading of a print-stl or 3mf file: { parts, repaired: the repairs it made }.
export function admeshCounts(bytes, format, folder) {
    const file = path.join(folder, 'admesh-input.stl');
    writeFileSync(file, format === '3mf' ? stlOfThreeMf(bytes) : bytes);
    const report = execFileSync('admesh', [file], { encoding: 'utf8' });
    const count = (label) => Number(report.match(new RegExp(`${label}\\s*:\\s*(\\d+)`))?.[1] ?? NaN);
    const repairs = ['Degenerate facets', 'Edges fixed', 'Facets removed', 'Facets added', 'Facets reversed', 'Backwards edges'];
    if (format !== '3mf')
        repairs.push('Normals fixed');
    return { parts: count('Number of parts'), repaired: repairs.filter((label) => count(label) !== 0) };
}
