// Starts the sketcher on the page: compiles the program's module, which the
// page carries, says in a sentence why it cannot run where it cannot, and
// keeps the page an app that opens from its own copy of one build, whatever
// the network.
'use strict';

// The service worker that served this page from its stored build, if any.
var servedBy = 'serviceWorker' in navigator ? navigator.serviceWorker.controller : null;

// A sentence of the page's words in `element`, in the language shown now
// and in any chosen later.
function show(element, key) {
  element.dataset.word = key;
  element.textContent = say(key);
}

// In place of the drawing area, a sentence on why the sketcher cannot run:
// `why` names it among the page's words. The first reason stands: what
// fails after it fails because of it, as the program's script does where
// the module would not compile.
function cannotRun(why) {
  var message = document.getElementById('message');
  if (!message.hidden)
    return;
  afterStart();
  document.getElementById('canvas').removeAttribute('aria-busy');
  document.getElementById('frame').hidden = true;
  show(message, why);
  message.hidden = false;
}

// What the start need not wait for, once the first frame is shown or the
// program cannot run: the rest of the choice of language, and the worker
// that stores the site, whose start and downloads would otherwise hold up
// the first frame. Without a worker the page still works, only not offline.
function afterStart() {
  offerLanguages(true);
  if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('service-worker.js').catch(function () {});
}

// A new build has taken over: this page is the old build whole, and runs
// on; the new one opens at the next start. Said quietly, never reloading in
// the middle of a drawing.
function onTakenOver() {
  show(document.getElementById('update'), 'updated');
}

// The module's bytes, which the page holds as base64.
function moduleBytes() {
  return Uint8Array.from(atob(document.getElementById('module').textContent), function (c) { return c.charCodeAt(0); });
}

// The module's compiling, begun before the program's script is read. A
// browser without WebAssembly, or that refuses it, gets the sentence.
var compiled = new Promise(function (resolve) { resolve(WebAssembly.compile(moduleBytes())); });
compiled.catch(function () { cannotRun('loadFailed'); });

var Module = {
  canvas: document.getElementById('canvas'),
  thisProgram: 'polysketch',
  // The program is handed its module, compiled here rather than by its
  // script; a compile that failed has said so already.
  instantiateWasm: function (imports, receive) {
    compiled.then(function (module) {
      WebAssembly.instantiate(module, imports).then(function (instance) {
        receive(instance, module); // runs the program until it takes input
        requestAnimationFrame(function () { setTimeout(afterStart, 0); });
      }, function () { cannotRun('loadFailed'); });
    }, function () {});
    return {};
  },
  onAbort: function () { cannotRun('stopped'); },
  cannotRun: cannotRun,
};

if (servedBy)
  navigator.serviceWorker.addEventListener('controllerchange', onTakenOver);
