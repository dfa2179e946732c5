// Every pane's page script: a right-click on a video or an image downloads
// the element's media under a fixed name instead of opening the context menu.
// Each document a pane loads gets it before the page's own scripts run; the
// function around it keeps the page's global names untouched.
(function () {
    'use strict';

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
        event.preventDefault();

        // currentSrc is what the element actually plays or shows: a video fed
        // by <source> children has an empty src, and an image's srcset may
        // have chosen another file than its src.
        const source = target.currentSrc || target.src;
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
