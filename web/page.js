// Starts the sketcher on the page: loads the program's script and module,
// says in a sentence why it cannot run where it cannot, and keeps the page
// an app that opens from its own copy of one build, whatever the network.
'use strict';

// A download that has given nothing new for this long has stalled.
var STALL_MS = 10000;
// A waiting build that has not taken over by then is left for a later start.
var TAKE_OVER_MS = 2000;
var LOAD_FAILED = 'Polysketch could not be loaded. Check your connection and reload the page.';

var started = false, gaveUp = false;

// In place of the drawing area, a sentence on why the sketcher cannot run.
function cannotRun(why) {
  gaveUp = true;
  var canvas = document.getElementById('canvas');
  canvas.removeAttribute('aria-busy');
  document.getElementById('frame').hidden = true;
  var message = document.getElementById('message');
  message.textContent = why;
  message.hidden = false;
}

// The whole body of `url`, or a rejection once the download has given
// nothing new for STALL_MS: before its answer begins, or midway.
function fetchAll(url) {
  var controller = new AbortController(), timer, chunks = [], length = 0;
  var stall = function () {
    clearTimeout(timer);
    timer = setTimeout(function () { controller.abort(); }, STALL_MS);
  };
  var whole = function () {
    var bytes = new Uint8Array(length), at = 0;
    chunks.forEach(function (c) { bytes.set(c, at); at += c.length; });
    return bytes;
  };
  stall();
  return fetch(url, { signal: controller.signal }).then(function (r) {
    if (!r.ok)
      return Promise.reject(r.status);
    var reader = r.body.getReader();
    var next = function () {
      return reader.read().then(function (part) {
        if (part.done)
          return whole();
        chunks.push(part.value);
        length += part.value.length;
        stall();
        return next();
      });
    };
    return next();
  }).finally(function () { clearTimeout(timer); });
}

// The module, loaded here rather than by the program's script, so that a
// failed or stalled download ends in a sentence, not in an error or a wait.
function instantiateWasm(imports, receive) {
  fetchAll('polysketch.wasm')
    .then(function (bytes) { return WebAssembly.instantiate(bytes, imports); })
    .then(function (result) {
      if (!gaveUp)
        receive(result.instance, result.module);
    }, function () { cannotRun(LOAD_FAILED); });
  return {};
}

var Module = {
  canvas: document.getElementById('canvas'),
  thisProgram: 'polysketch',
  instantiateWasm: function (imports, receive) {
    started = true;
    return gaveUp ? {} : instantiateWasm(imports, receive);
  },
  onAbort: function () { cannotRun('Polysketch stopped. Reload the page to start again.'); },
  cannotRun: cannotRun,
};

// The program's script, given up on if it has not run in time; should it
// arrive later, it finds the page given up and starts nothing.
function loadProgram() {
  var script = document.createElement('script');
  script.src = 'polysketch.js';
  script.addEventListener('error', function () { cannotRun(LOAD_FAILED); });
  setTimeout(function () {
    if (!started)
      cannotRun(LOAD_FAILED);
  }, STALL_MS);
  document.body.appendChild(script);
}

// A newer build, stored whole, waits until no page runs the one in use:
// this page says so quietly, and never reloads by itself.
function sayWhenUpdated(registration) {
  var say = function () {
    document.getElementById('update').textContent =
      'A new version of Polysketch is ready: it opens the next time you start it.';
  };
  var watch = function (worker) {
    worker.addEventListener('statechange', function () {
      if (worker.state === 'installed')
        say();
    });
  };
  if (registration.installing)
    watch(registration.installing);
  registration.addEventListener('updatefound', function () { watch(registration.installing); });
}

// A start that finds a newer build waiting takes it before anything runs:
// the waiting worker takes over and the page opens again from its files, so
// that no start mixes two builds. Otherwise the program starts at once from
// what the worker in use serves; on a first visit, from the network.
function start() {
  if (!('serviceWorker' in navigator))
    return loadProgram(); // without it the page still works, only not offline
  // Once the page has loaded, so that storing the site takes nothing from
  // the program's start.
  var register = function () { navigator.serviceWorker.register('service-worker.js').catch(function () {}); };
  if (document.readyState === 'complete')
    register();
  else
    addEventListener('load', register);
  if (!navigator.serviceWorker.controller)
    return loadProgram();
  navigator.serviceWorker.getRegistration().then(function (registration) {
    if (registration && registration.waiting) {
      // Should the waiting worker not take over, this start runs what it has.
      var timer = setTimeout(loadProgram, TAKE_OVER_MS);
      navigator.serviceWorker.addEventListener('controllerchange', function () {
        clearTimeout(timer);
        if (!started)
          location.reload();
      });
      registration.waiting.postMessage('take over');
      return;
    }
    loadProgram();
    if (registration)
      sayWhenUpdated(registration);
  }, loadProgram);
}

// After the page's first paint, so that its name and hint show at once,
// before the program's script and module take the processor.
requestAnimationFrame(function () { setTimeout(start, 0); });
