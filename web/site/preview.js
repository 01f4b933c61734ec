// The preview: the flower the core makes for the boxes and the seed, drawn on a canvas that turns
// with a drag or the arrow keys and zooms with the wheel or + and −.
'use strict';

const kSize = 320; // the drawing's size in CSS pixels; the canvas is scaled down on a narrow screen
const kTurnStep = 0.15; // radians an arrow key turns
const kZoomStep = 1.25; // factor + and − zoom
const kDefaultView = { yaw: -0.5, pitch: 0.6, zoom: 1 };
const kCentreY = 50; // the flower's centre lies at (0, 50, 0)

export class Preview {
    constructor(canvas, note, core) {
        this.canvas = canvas;
        this.note = note;
        this.core = core;
        this.view = { ...kDefaultView };
        this.flower = null; // the last valid flower: { corners, rings, ringCount }
        this.request = 0;
        this.listen();
    }

    // Asks the core for the flower of `texts` and `seed`; an invalid flower dims the last one.
    async refresh(texts, seed) {
        const request = ++this.request;
        const faces = await this.core.call('previewFaces', [texts, seed]);
        if (request !== this.request)
            return;
        const valid = faces !== null;
        if (valid)
            this.flower = faces;
        this.canvas.classList.toggle('dim', !valid);
        this.note.hidden = valid;
        this.draw();
        this.canvas.dataset.shows = `${texts.join(' ')} / ${valid ? seed : '-'}`; // what is drawn, for tests
    }

    turn(yaw, pitch) {
        this.view.yaw += yaw;
        this.view.pitch = Math.max(-1.5, Math.min(1.5, this.view.pitch + pitch));
        this.draw();
    }

    zoom(factor) {
        this.view.zoom = Math.max(0.2, Math.min(8, this.view.zoom * factor));
        this.draw();
    }

    reset() {
        Object.assign(this.view, kDefaultView);
        this.draw();
    }

    listen() {
        const canvas = this.canvas;
        let drag = null;
        canvas.addEventListener('pointerdown', (event) => {
            if (event.button !== 0)
                return;
            drag = { x: event.clientX, y: event.clientY };
            canvas.setPointerCapture(event.pointerId);
        });
        canvas.addEventListener('pointermove', (event) => {
            if (!drag)
                return;
            this.turn((event.clientX - drag.x) * 0.01, (event.clientY - drag.y) * 0.01);
            drag = { x: event.clientX, y: event.clientY };
        });
        const end = () => { drag = null; };
        canvas.addEventListener('pointerup', end);
        canvas.addEventListener('pointercancel', end);
        canvas.addEventListener('wheel', (event) => {
            event.preventDefault();
            this.zoom(Math.exp(-event.deltaY * 0.001));
        }, { passive: false });
        canvas.addEventListener('dblclick', () => this.reset());
        const keys = {
            ArrowLeft: () => this.turn(-kTurnStep, 0),
            ArrowRight: () => this.turn(kTurnStep, 0),
            ArrowUp: () => this.turn(0, -kTurnStep),
            ArrowDown: () => this.turn(0, kTurnStep),
            '+': () => this.zoom(kZoomStep),
            '=': () => this.zoom(kZoomStep),
            '-': () => this.zoom(1 / kZoomStep),
            '−': () => this.zoom(1 / kZoomStep),
            0: () => this.reset(),
        };
        canvas.addEventListener('keydown', (event) => {
            const action = keys[event.key];
            if (!action || event.ctrlKey || event.altKey || event.metaKey)
                return;
            event.preventDefault();
            action();
        });
        window.addEventListener('resize', () => this.draw());
    }

    draw() {
        const canvas = this.canvas;
        const ratio = window.devicePixelRatio || 1;
        const size = kSize;
        if (canvas.width !== Math.round(size * ratio)) {
            canvas.width = Math.round(size * ratio);
            canvas.height = Math.round(size * ratio);
        }
        const g = canvas.getContext('2d');
        g.setTransform(ratio, 0, 0, ratio, 0, 0);
        const sky = g.createLinearGradient(0, 0, 0, size);
        sky.addColorStop(0, '#ffffff');
        sky.addColorStop(1, '#dfe9f5');
        g.fillStyle = sky;
        g.fillRect(0, 0, size, size);
        if (!this.flower)
            return;
        const { corners, rings, ringCount } = this.flower;
        const view = this.view;
        const faceCount = rings.length;
        const cy = Math.cos(view.yaw), sy = Math.sin(view.yaw), cp = Math.cos(view.pitch), sp = Math.sin(view.pitch);
        let radius = 1;
        for (let i = 0; i < corners.length; i += 3)
            radius = Math.max(radius, Math.hypot(corners[i], corners[i + 1] - kCentreY, corners[i + 2]));
        const scale = (size * 0.46 / radius) * view.zoom;
        const screen = new Float32Array(faceCount * 8);
        const depth = new Float32Array(faceCount);
        const shade = new Float32Array(faceCount);
        for (let f = 0; f < faceCount; f++) {
            let zSum = 0;
            const p = [];
            for (let c = 0; c < 4; c++) {
                const k = (f * 4 + c) * 3;
                const x = corners[k], y = corners[k + 1] - kCentreY, z = corners[k + 2];
                const x1 = x * cy - z * sy, z1 = x * sy + z * cy;
                const y2 = y * cp - z1 * sp, z2 = y * sp + z1 * cp;
                screen[f * 8 + c * 2] = size / 2 + x1 * scale;
                screen[f * 8 + c * 2 + 1] = size / 2 - y2 * scale;
                zSum += z2;
                p.push([x1, y2, z2]);
            }
            depth[f] = zSum / 4;
            // Light from the viewer: the face's normal towards the screen.
            const ax = p[2][0] - p[0][0], ay = p[2][1] - p[0][1], az = p[2][2] - p[0][2];
            const bx = p[3][0] - p[1][0], by = p[3][1] - p[1][1], bz = p[3][2] - p[1][2];
            const nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
            const n = Math.hypot(nx, ny, nz) || 1;
            shade[f] = 0.35 + 0.65 * Math.abs(nz / n);
        }
        const order = Array.from({ length: faceCount }, (_, i) => i).sort((a, b) => depth[a] - depth[b]);
        g.lineJoin = 'round';
        g.lineWidth = 0.6;
        g.strokeStyle = 'rgba(110, 110, 110, 0.45)';
        for (const f of order) {
            // cream outer rings, yellow towards the centre (the last ring)
            const t = ringCount > 1 ? rings[f] / (ringCount - 1) : 0;
            const s = shade[f];
            const r = Math.round((250 - 5 * t) * s), gr = Math.round((247 - 50 * t) * s), b = Math.round((240 - 170 * t) * s);
            g.fillStyle = `rgb(${r},${gr},${b})`;
            g.beginPath();
            g.moveTo(screen[f * 8], screen[f * 8 + 1]);
            for (let c = 1; c < 4; c++)
                g.lineTo(screen[f * 8 + c * 2], screen[f * 8 + c * 2 + 1]);
            g.closePath();
            g.fill();
            g.stroke();
        }
    }
}
