// The context-menu download script in a real Chromium: Debian's, driven by
// playwright-core. addInitScript is the same hook as the panes'
// AddScriptToExecuteOnDocumentCreated: the script runs in every document,
// frames included, before the page's own scripts.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { after, afterEach, before, beforeEach, describe, it } from 'node:test';
import { chromium } from 'playwright-core';

import { recordListeners, startServer, watchPage } from './fixtures.mjs';

const scriptText = fs.readFileSync(new URL('../../panes/ContextMenuDownload.js', import.meta.url), 'utf8');

let server;
let base;
let browser;
let context;
let page;
let downloads;

before(async () => {
    ({ server, base } = await startServer());
    browser = await chromium.launch({
        executablePath: '/usr/bin/chromium',
        headless: true,
        // Chromium's sandbox refuses to start as root, which CI is.
        chromiumSandbox: process.getuid?.() !== 0,
        args: ['--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--no-first-run', '--disable-gpu', '--disable-quic'],
    });
});

after(async () => {
    await browser?.close();
    server?.close();
});

beforeEach(async () => {
    context = await browser.newContext({ acceptDownloads: true, viewport: { width: 1024, height: 768 } });
    page = await context.newPage();
    downloads = [];
    page.on('download', (download) => downloads.push(download));
    await page.addInitScript(recordListeners);
    await page.addInitScript({ content: scriptText });
    await page.addInitScript(watchPage);
    await page.goto(`${base}/media.html`);
    // currentSrc is set only once an element has chosen its source, so wait
    // until every image is decoded and every video with a source has its
    // metadata, in the page and in the frame.
    for (const frame of page.frames()) {
        await frame.waitForFunction(() =>
            [...document.images].every((image) => image.complete && image.naturalWidth > 0) &&
            [...document.querySelectorAll('video')].every((video) =>
                video.readyState >= HTMLMediaElement.HAVE_METADATA ||
                (!video.hasAttribute('src') && !video.querySelector('source'))));
    }
});

afterEach(async () => {
    await context?.close();
});

// A real right-click at the centre of the element, as the user makes it.
async function rightClick(locator) {
    const box = await locator.boundingBox();
    assert.ok(box, 'the element is laid out');
    await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2, { button: 'right' });
}

// The right-clicks that a document heard: target id and whether the menu was
// prevented.
async function menusIn(frame) {
    await frame.waitForFunction(() => window.__menus.length > 0);
    return frame.evaluate(() => window.__menus);
}

// Right-clicks an element and returns the download that it started.
async function downloadFrom(locator) {
    const started = page.waitForEvent('download');
    await rightClick(locator);
    return started;
}

// Shows that the right-click just made started no download, without waiting
// for something that may never come: a right-click on the plain image then
// starts one, and a download from the earlier click would be reported first.
async function assertNoEarlierDownload() {
    const sentinel = await downloadFrom(page.locator('#png'));
    assert.equal(sentinel.url(), `${base}/picture.png`);
    assert.deepEqual(downloads.map((download) => download.url()), [`${base}/picture.png`]);
}

function frameOf(id) {
    return page.frame({ url: `${base}/${id}.html` });
}

describe('a right-click on an image or a video downloads its media', () => {
    const cases = [
        { what: 'a PNG image keeps the fixed image name', id: 'png', url: '/picture.png', name: 'image.jpg' },
        { what: 'an image with srcset gives the file it shows', id: 'srcset', url: '/chosen.png', name: 'image.jpg' },
        { what: 'a video with src', id: 'video-src', url: '/clip.wav', name: 'video.mp4' },
        { what: 'a video played from a <source> child gives that source, not the page', id: 'video-source', url: '/source.wav', name: 'video.mp4' },
    ];
    for (const c of cases) {
        it(c.what, async () => {
            const download = await downloadFrom(page.locator(`#${c.id}`));
            assert.equal(download.url(), `${base}${c.url}`);
            assert.equal(download.suggestedFilename(), c.name);
            assert.deepEqual(await menusIn(page.mainFrame()), [{ target: c.id, prevented: true }]);
            assert.deepEqual(await page.evaluate(() => window.__insertedLinks), []);
            assert.equal(downloads.length, 1);
            assert.equal(page.url(), `${base}/media.html`);
        });
    }

    it('an image inside a same-origin frame, whose document carries the script too', async () => {
        const frame = frameOf('frame');
        const download = await downloadFrom(frame.locator('#framed'));
        assert.equal(download.url(), `${base}/in-frame.png`);
        assert.equal(download.suggestedFilename(), 'image.jpg');
        assert.deepEqual(await menusIn(frame), [{ target: 'framed', prevented: true }]);
        assert.deepEqual(await frame.evaluate(() => window.__insertedLinks), []);
        assert.deepEqual(await page.evaluate(() => window.__menus), []);
    });
});

describe('a right-click on a video with no source', () => {
    it('suppresses the menu and downloads nothing, not even the page', async () => {
        await rightClick(page.locator('#video-none'));
        assert.deepEqual(await menusIn(page.mainFrame()), [{ target: 'video-none', prevented: true }]);
        await assertNoEarlierDownload();
    });
});

describe('every other right-click keeps the engine menu', () => {
    const cases = [
        { what: 'an element laid over an image', id: 'overlay' },
        { what: 'a link', id: 'link' },
        { what: 'text', id: 'text' },
        // The engine would ignore the download name and leave the page for the
        // image; its own menu can save it instead.
        { what: 'an image from another site', id: 'foreign' },
    ];
    for (const c of cases) {
        it(c.what, async () => {
            await rightClick(page.locator(`#${c.id}`));
            assert.deepEqual(await menusIn(page.mainFrame()), [{ target: c.id, prevented: false }]);
            await assertNoEarlierDownload();
            assert.equal(page.url(), `${base}/media.html`);
        });
    }
});

describe('the script in the page', () => {
    it('registers one bubbling contextmenu listener on the document and nothing else', async () => {
        for (const frame of [page.mainFrame(), frameOf('frame')]) {
            assert.deepEqual(await frame.evaluate(() => window.__listeners),
                [{ on: 'document', type: 'contextmenu', argumentCount: 2 }]);
        }
    });
});
