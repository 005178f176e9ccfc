// Starts the sketcher on the page: loads the program's script and module,
// says in a sentence why it cannot run where it cannot, and keeps the page
// an app that opens from its own copy of one build, whatever the network.
'use strict';

// A download that has given nothing new for this long has stalled.
var STALL_MS = 10000;

// The program's script has run; the program runs; the page has given up.
var started = false, running = false, gaveUp = false;
// The service worker that served this page from its stored build, if any.
var servedBy = 'serviceWorker' in navigator ? navigator.serviceWorker.controller : null;

// A sentence of the page's words in `element`, in the language shown now
// and in any chosen later.
function show(element, key) {
  element.dataset.word = key;
  element.textContent = say(key);
}

// In place of the drawing area, a sentence on why the sketcher cannot run:
// `why` names it among the page's words.
function cannotRun(why) {
  gaveUp = true;
  var canvas = document.getElementById('canvas');
  canvas.removeAttribute('aria-busy');
  document.getElementById('frame').hidden = true;
  var message = document.getElementById('message');
  show(message, why);
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

// Whether a new build has taken over since this page was served, so that
// any file fetched from now on is the new build's, not this page's.
function replaced() {
  return servedBy !== null && navigator.serviceWorker.controller !== servedBy;
}

// This start made again, whole, from the build that has taken over.
function reopen() {
  gaveUp = true;
  location.reload();
}

// A new build has taken over while the program runs: the page runs on with
// what it has loaded, and says so quietly, never reloading in the middle of
// a drawing. One that comes sooner is met where the program is handed its
// module.
function onTakenOver() {
  if (running)
    show(document.getElementById('update'), 'updated');
}

// The module's download and compiling, begun as soon as this script runs,
// alongside the rest of the page rather than once the program's script has
// run. Its failure or stall ends in a sentence, not in an error or a wait.
var compiled = fetchAll('polysketch.wasm').then(function (bytes) { return WebAssembly.compile(bytes); });
compiled.catch(function () { cannotRun('loadFailed'); });

// Hands the program its module, loaded here rather than by its script. Had
// a new build taken over by now, the script or the module could be that
// build's, not this page's: the start is made again, whole.
function instantiateWasm(imports, receive) {
  compiled.then(function (module) {
    if (replaced())
      return reopen();
    running = true;
    return WebAssembly.instantiate(module, imports).then(function (instance) {
      if (!gaveUp)
        receive(instance, module);
    });
  }).catch(function () { cannotRun('loadFailed'); });
  return {};
}

var Module = {
  canvas: document.getElementById('canvas'),
  thisProgram: 'polysketch',
  instantiateWasm: function (imports, receive) {
    started = true;
    return gaveUp ? {} : instantiateWasm(imports, receive);
  },
  onAbort: function () { cannotRun('stopped'); },
  cannotRun: cannotRun,
};

// The program's script, given up on if it has not run in time; should it
// arrive later, it finds the page given up and starts nothing.
function loadProgram() {
  var script = document.createElement('script');
  script.src = 'polysketch.js';
  script.addEventListener('error', function () { cannotRun('loadFailed'); });
  setTimeout(function () {
    if (!started)
      cannotRun('loadFailed');
  }, STALL_MS);
  document.body.appendChild(script);
}

// The program starts at once from what the worker in use serves, or on a
// first visit from the network. The worker registers once the page has
// loaded, so that storing the site takes nothing from the program's start.
function start() {
  if (!('serviceWorker' in navigator))
    return loadProgram(); // without it the page still works, only not offline
  addEventListener('load', function () {
    navigator.serviceWorker.register('service-worker.js').catch(function () {});
  });
  loadProgram();
}

if (servedBy)
  navigator.serviceWorker.addEventListener('controllerchange', onTakenOver);

// As soon as the page has been read: its name and hint are in place, and
// the program's script and module have been on their way since it began.
start();
