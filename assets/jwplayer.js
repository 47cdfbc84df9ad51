// Quillmoth's player: jwplayer(id).setup({file, width, autostart, flashplayer})
// puts an HTML5 player for `file` into the element `id`. The Flash player
// named by `flashplayer` is not used; formats the browser cannot play get a
// plain message instead.
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

  function setup(container, config) {
    config = config || {};
    var file = config.file || '';
    var extension = extensionOf(file);
    var name = fileNameOf(file);

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
    if (config.width)
      video.width = Number(config.width) || 720;
    if (config.height)
      video.height = Number(config.height) || 0;
    if (config.autostart) {
      video.autoplay = true;
      video.setAttribute('autoplay', '');
    }
    video.addEventListener('error', function () {
      container.setAttribute('data-player-state', 'error');
      showMessage(container, '"' + name + '" could not be played.');
    });
    video.addEventListener('loadedmetadata', function () {
      if (container.getAttribute('data-player-state') !== 'error')
        container.setAttribute('data-player-state', 'ready');
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
