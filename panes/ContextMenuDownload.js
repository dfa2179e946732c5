// Every pane's page script: a right-click on a video or an image downloads
// the element's media under a fixed name instead of opening the context menu.
// Each document a pane loads gets it before the page's own scripts run; the
// function around it keeps the page's global names untouched.
(function () {
    'use strict';

    // The engine honours a link's download name only for the document's own
    // origin and for data: and blob: addresses (a blob: keeps its creator's
    // origin).
    function isDownloadable(source) {
        const address = new URL(source, document.baseURI);
        return address.protocol === 'data:' || address.origin === window.location.origin;
    }

    document.addEventListener('contextmenu', function (event) {
        // Only the element that was hit counts: an overlay or a control bar
        // lying over a video is not the video, and keeps the usual menu.
        const target = event.target;
        let fileName;
        if (target.tagName === 'VIDEO') {
            fileName = 'video.mp4';
        } else if (target.tagName === 'IMG') {
            fileName = 'image.jpg';
        } else {
            return;
        }
        // currentSrc is what the element actually plays or shows: a video fed
        // by <source> children has an empty src, and an image's srcset may
        // have chosen another file than its src.
        const source = target.currentSrc || target.src;
        if (source && !isDownloadable(source)) {
            // A link to another site ignores its download name and navigates
            // the page away instead; the engine's own menu can save it.
            return;
        }
        event.preventDefault();
        if (!source) {
            // A link with an empty href would download the page itself.
            return;
        }
        const link = document.createElement('a');
        link.href = source;
        link.download = fileName;
        link.click();  // a link outside the document still starts the download
    });
})();
