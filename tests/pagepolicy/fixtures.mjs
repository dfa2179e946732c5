// What the context-menu download tests serve and watch: a local web server
// with small made-up media, and the page hooks that record what a right-click
// did.
import http from 'node:http';
import zlib from 'node:zlib';

// The PNG checksum (CRC-32 of ISO 3309), which node:zlib does not offer here.
function crc32(bytes) {
    let crc = 0xffffffff;
    for (const byte of bytes) {
        crc ^= byte;
        for (let bit = 0; bit < 8; bit++) {
            crc = (crc >>> 1) ^ (0xedb88320 & -(crc & 1));
        }
    }
    return (crc ^ 0xffffffff) >>> 0;
}

function pngChunk(type, data) {
    const body = Buffer.concat([Buffer.from(type, 'ascii'), data]);
    const length = Buffer.alloc(4);
    length.writeUInt32BE(data.length);
    const checksum = Buffer.alloc(4);
    checksum.writeUInt32BE(crc32(body));
    return Buffer.concat([length, body, checksum]);
}

// A one-pixel, 8-bit RGB PNG; pages scale it up so it can be clicked.
export function onePixelPng([red, green, blue]) {
    const header = Buffer.alloc(13);
    header.writeUInt32BE(1, 0);  // width
    header.writeUInt32BE(1, 4);  // height
    header[8] = 8;               // bits per sample
    header[9] = 2;               // colour type: RGB
    const row = Buffer.from([0, red, green, blue]);  // filter byte, one pixel
    return Buffer.concat([
        Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
        pngChunk('IHDR', header),
        pngChunk('IDAT', zlib.deflateSync(row)),
        pngChunk('IEND', Buffer.alloc(0)),
    ]);
}

// A tenth of a second of silence as 8 kHz, 8-bit mono PCM WAV: the smallest
// media file that Chromium plays and that needs no encoder to make. A video
// element picks its source (currentSrc) only when it can play one.
export function silentWav() {
    const samples = 800;
    const file = Buffer.alloc(44 + samples, 128);  // 128 is silence at 8 bits
    file.write('RIFF', 0);
    file.writeUInt32LE(36 + samples, 4);
    file.write('WAVEfmt ', 8);
    file.writeUInt32LE(16, 16);     // format block size
    file.writeUInt16LE(1, 20);      // PCM
    file.writeUInt16LE(1, 22);      // channels
    file.writeUInt32LE(8000, 24);   // samples per second
    file.writeUInt32LE(8000, 28);   // bytes per second
    file.writeUInt16LE(1, 32);      // bytes per sample frame
    file.writeUInt16LE(8, 34);      // bits per sample
    file.write('data', 36);
    file.writeUInt32LE(samples, 40);
    return file;
}

// Every element a case right-clicks, by id, each with its own media address so
// a download names the element it came from.
const mediaPage = `<!doctype html>
<html><head><title>media</title>
<style>
  body { margin: 8px; display: flex; flex-wrap: wrap; gap: 12px; align-items: flex-start; }
  .covered { position: relative; width: 160px; height: 90px; }
  .covered > * { position: absolute; left: 0; top: 0; width: 160px; height: 90px; }
  iframe { width: 200px; height: 120px; border: 0; }
</style></head>
<body>
  <img id="png" src="/picture.png" width="160" height="90">
  <img id="srcset" src="/fallback.png" srcset="/chosen.png 1x" width="160" height="90">
  <video id="video-src" src="/clip.wav" width="160" height="90"></video>
  <video id="video-source" width="160" height="90"><source src="/source.wav" type="audio/wav"></video>
  <video id="video-none" width="160" height="90"></video>
  <div class="covered"><img src="/under.png"><div id="overlay"></div></div>
  <a id="link" href="/elsewhere.html">a link to elsewhere</a>
  <p id="text">Some text to right-click.</p>
  <iframe id="frame" src="/frame.html"></iframe>
  <img id="foreign" src="FOREIGN_ORIGIN/foreign.png" width="160" height="90">
</body></html>
`;

const framePage = `<!doctype html>
<html><body style="margin: 0">
  <img id="framed" src="/in-frame.png" width="160" height="90">
</body></html>
`;

const routes = {
    '/media.html': ['text/html', mediaPage],
    '/frame.html': ['text/html', framePage],
    '/elsewhere.html': ['text/html', '<!doctype html><p>elsewhere</p>'],
    '/picture.png': ['image/png', onePixelPng([200, 40, 40])],
    '/fallback.png': ['image/png', onePixelPng([40, 40, 200])],
    '/chosen.png': ['image/png', onePixelPng([40, 200, 40])],
    '/under.png': ['image/png', onePixelPng([200, 200, 40])],
    '/in-frame.png': ['image/png', onePixelPng([40, 200, 200])],
    '/foreign.png': ['image/png', onePixelPng([200, 40, 200])],
    '/clip.wav': ['audio/wav', silentWav()],
    '/source.wav': ['audio/wav', silentWav()],
};

// Serves the routes on 127.0.0.1 at a free port; resolves to the server and
// its base address.
export async function startServer() {
    const server = http.createServer((request, response) => {
        const route = routes[new URL(request.url, 'http://x').pathname];
        if (!route) {
            response.writeHead(404).end();
            return;
        }
        // The same server under the name localhost is another origin.
        const port = server.address().port;
        const body = typeof route[1] === 'string' ? route[1].replace('FOREIGN_ORIGIN', `http://localhost:${port}`) : route[1];
        response.writeHead(200, { 'content-type': route[0], 'cache-control': 'no-store' });
        response.end(body);
    });
    await new Promise((resolve, reject) => {
        server.once('error', reject);
        server.listen(0, '127.0.0.1', resolve);
    });
    return { server, base: `http://127.0.0.1:${server.address().port}` };
}

// Runs in every document before the script under test: records the listeners
// that script registers, until watchPage (which runs right after it) stops it.
export function recordListeners() {
    const original = EventTarget.prototype.addEventListener;
    window.__listeners = [];
    window.__recordingListeners = true;
    EventTarget.prototype.addEventListener = function (...args) {
        if (window.__recordingListeners) {
            const on = this === document ? 'document' : this === window ? 'window' : String(this);
            window.__listeners.push({ on, type: args[0], argumentCount: args.length });
        }
        return original.apply(this, args);
    };
}

// Runs in every document right after the script under test. A listener on
// the window hears a bubbling contextmenu event after every listener on the
// document, so it sees whether the menu was prevented; a mutation observer
// catches a download link put into the document, even for a moment.
export function watchPage() {
    window.__recordingListeners = false;
    window.__menus = [];
    window.__insertedLinks = [];
    window.addEventListener('contextmenu', (event) => {
        window.__menus.push({ target: event.target.id || event.target.tagName, prevented: event.defaultPrevented });
    });
    new MutationObserver((records) => {
        for (const record of records) {
            for (const node of record.addedNodes) {
                if (node.nodeName === 'A' && node.hasAttribute('download')) {
                    window.__insertedLinks.push(node.href);
                }
            }
        }
    }).observe(document, { childList: true, subtree: true });
}
