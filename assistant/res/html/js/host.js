/* Calls into the assistant through its external object. Plain ES5 for the Windows
   browser control (IE11 document mode). Every page and frame loads this file. */

/* The external object of the browser control, taken from the top page when it can be reached. */
function hostObject() {
  var w = window;
  try {
    if (window.top && window.top.external) {
      w = window.top;
    }
  } catch (e) {
    w = window;
  }
  return w.external;
}

/* True inside the assistant: every host function reads as true when tested as a property. */
function hasHost() {
  try {
    var h = hostObject();
    return !!h && h.CB_IsOurCustomBrowser != null;
  } catch (e) {
    return false;
  }
}

/* Calls a host function by name with up to four arguments; null outside the assistant or when the
   call fails. */
function callHost(name, a, b, c, d) {
  if (!hasHost()) {
    return null;
  }
  var h = hostObject();
  try {
    switch (arguments.length) {
      case 1: return h[name]();
      case 2: return h[name](a);
      case 3: return h[name](a, b);
      case 4: return h[name](a, b, c);
      default: return h[name](a, b, c, d);
    }
  } catch (e) {
    return null;
  }
}

/* The host answers true as the value 1. */
function isTrue(result) {
  return result === true || result == 1;
}

/* Texts like ["a", "b"] become a list of lines; anything else is one line. */
function parseLines(text) {
  if (text == null) {
    return [];
  }
  text = String(text);
  if (text === '') {
    return [];
  }
  try {
    var value = JSON.parse(text);
    if (value instanceof Array) {
      return value;
    }
  } catch (e) {
    /* not a list */
  }
  return [text];
}

function escapeHtml(text) {
  return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
}

function byId(id) {
  return document.getElementById(id);
}

/* Later in the same thread, after the host's current call has returned. */
function later(fn) {
  window.setTimeout(fn, 0);
}
