// The keyboard as a pointer, as an operating system's mouse keys are: while
// the drawing area has focus, a pointer of its own moves by arrows, Space
// holds its left button and Enter clicks its right one. The program has no
// keyboard handler; it gets the very mouse events that a mouse would give,
// at the window pixel under the keyboard's pointer.
'use strict';

(function () {
  var WIDTH = 512, HEIGHT = 384, SHIFT_STEP = 10;
  var STEPS = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
  var LEFT = 0, RIGHT = 2;

  var canvas = document.getElementById('canvas');
  var mark = document.getElementById('pointer');
  // In window pixels from the top-left corner, as the toolkit reports them.
  var at = [WIDTH / 2, HEIGHT / 2];
  var spaceHeld = false;

  // The mark over the middle of its window pixel, however the canvas is
  // scaled; it never touches the canvas's pixels.
  function place() {
    mark.style.left = ((at[0] + 0.5) * 100 / WIDTH) + '%';
    mark.style.top = ((at[1] + 0.5) * 100 / HEIGHT) + '%';
  }

  // A mouse event at the middle of the pointer's window pixel, which the
  // toolkit maps back to that pixel at any scale.
  function send(type, button) {
    var r = canvas.getBoundingClientRect();
    canvas.dispatchEvent(new MouseEvent(type, {
      bubbles: true, cancelable: true, view: window, button: button,
      clientX: r.left + (at[0] + 0.5) * r.width / WIDTH,
      clientY: r.top + (at[1] + 0.5) * r.height / HEIGHT,
    }));
  }

  function move(step, shift) {
    var by = shift ? SHIFT_STEP : 1;
    at = [Math.min(WIDTH - 1, Math.max(0, at[0] + step[0] * by)),
          Math.min(HEIGHT - 1, Math.max(0, at[1] + step[1] * by))];
    place();
    send('mousemove', LEFT);
  }

  function releaseSpace() {
    if (!spaceHeld)
      return;
    spaceHeld = false;
    send('mouseup', LEFT);
  }

  function onKeyDown(e) {
    if (e.altKey || e.ctrlKey || e.metaKey)
      return;
    if (STEPS[e.key])
      move(STEPS[e.key], e.shiftKey);
    else if (e.key === ' ' && !e.repeat && !spaceHeld) {
      spaceHeld = true;
      send('mousedown', LEFT);
    } else if (e.key === 'Enter' && !e.repeat) {
      send('mousedown', RIGHT);
      send('mouseup', RIGHT);
    } else if (e.key !== ' ' && e.key !== 'Enter')
      return;
    e.preventDefault(); // no scrolling of the page
  }

  function onKeyUp(e) {
    if (e.key === ' ')
      releaseSpace();
  }

  canvas.addEventListener('keydown', onKeyDown);
  canvas.addEventListener('keyup', onKeyUp);
  // Focus gone with Space held would leave the button held for good.
  canvas.addEventListener('blur', releaseSpace);
  place();
})();
