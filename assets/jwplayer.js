// Quillmoth's player: jwplayer(id).setup({file, title, width, height, autostart,
// flashplayer}) puts an HTML5 player for `file` into the element `id`. The
// video fills the element (100% unless width/height say otherwise) and keeps
// its aspect. The Flash player named by `flashplayer` is not used; formats the
// browser cannot play get a plain message instead (the program hands over
// playable copies, so that message means something went wrong).
//
// data-player-state on the element: loading, ready (metadata known), playing,
// error or unsupported.
(function () {
  'use strict';

  function extensionOf(address) {
    var path = String(address || '').split('#')[0].split('?')[0];
    var slash = path.lastIndexOf('/');
    var name = path.substring(slash + 1);
    var dot = name.lastIndexOf('.');
    return dot < 0 ? '' : name.substring(dot + 1).toLowerCase();
  }

  function fileNameOf(address) {
    var path = String(address || '').split('#')[0].split('?')[0];
    var name = path.substring(path.lastIndexOf('/') + 1);
    try {
      return decodeURIComponent(name);
    } catch (e) {
      return name;
    }
  }

  var mimeTypes = {
    mp4: 'video/mp4',
    m4v: 'video/mp4',
    webm: 'video/webm',
    ogv: 'video/ogg',
    mp3: 'audio/mpeg',
    flv: 'video/x-flv'
  };

  function showMessage(container, text) {
    var box = document.createElement('div');
    box.className = 'quillmoth-player-message';
    box.style.color = '#eee';
    box.style.font = '16px sans-serif';
    box.style.padding = '1em';
    box.textContent = text;
    container.appendChild(box);
    return box;
  }

  // A number is pixels; text is taken as a CSS size; nothing fills the element.
  function cssSize(value) {
    if (typeof value === 'number' && isFinite(value) && value > 0)
      return value + 'px';
    if (typeof value === 'string' && /^[0-9.]+(px|%|vw|vh|em)?$/.test(value))
      return /[a-z%]$/.test(value) ? value : value + 'px';
    return '100%';
  }

  function setup(container, config) {
    config = config || {};
    var file = config.file || '';
    var extension = extensionOf(file);
    var name = config.title ? String(config.title) : fileNameOf(file);

    while (container.firstChild)
      container.removeChild(container.firstChild);

    var probe = document.createElement('video');
    var mime = mimeTypes[extension];
    if (extension === 'flv' || (mime && probe.canPlayType(mime) === '')) {
      container.setAttribute('data-player-state', 'unsupported');
      showMessage(container, '"' + name + '" is a ' + (extension || 'media').toUpperCase() +
          ' file, which this player cannot play. Convert it to MP3 from the Transfers tab, ' +
          'or open it in another media player.');
      return;
    }

    var video = document.createElement('video');
    video.controls = true;
    video.preload = 'auto';
    video.style.display = 'block';
    video.style.width = cssSize(config.width);
    video.style.height = cssSize(config.height);
    video.style.objectFit = 'contain';
    if (config.autostart) {
      video.autoplay = true;
      video.setAttribute('autoplay', '');
    }
    video.addEventListener('error', function () {
      container.setAttribute('data-player-state', 'error');
      showMessage(container, '"' + name + '" could not be played.');
    });
    video.addEventListener('loadedmetadata', function () {
      if (container.getAttribute('data-player-state') === 'loading')
        container.setAttribute('data-player-state', 'ready');
    });
    video.addEventListener('playing', function () {
      if (container.getAttribute('data-player-state') !== 'error')
        container.setAttribute('data-player-state', 'playing');
    });
    container.setAttribute('data-player-state', 'loading');
    video.src = file;
    container.appendChild(video);
    if (config.autostart) {
      var started = video.play();
      if (started && started.catch)
        started.catch(function () {});
    }
  }

  window.jwplayer = function (id) {
    return {
      setup: function (config) {
        var container = document.getElementById(id);
        if (container)
          setup(container, config);
        return this;
      }
    };
  };
})();
