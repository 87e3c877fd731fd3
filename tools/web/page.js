// The page's side: the parameter file (an example, a file picked or dropped, or the text
// as edited), the canvas's size, Start, Stop and keys, the frames the program shows,
// and how a run ended: its exit code, its report, and the line in words after it.
function GravityRunEnd(exitCode, frame) { this.exitCode = exitCode; this.frame = frame; }

var page = {
  ready: new Promise(function (resolve) { Module['onRuntimeInitialized'] = resolve; }),
  loaded: { name: '', text: '', bytes: new Uint8Array(0) },  // the file as it came, its text as shown
  running: false,
  image: null,
  report: '',  // standard output: the report
  words: '',   // standard error: what it means
};
function element(id) { return document.getElementById(id); }

// The text area shows each byte as one character; bytes reach the loader unchanged as
// long as the text is not edited (a text area turns CR LF into LF).
function load(name, bytes) {
  var text = '';
  for (var i = 0; i < bytes.length; i++) text += String.fromCharCode(bytes[i]);
  element('params').value = text;
  page.loaded = { name: name, text: element('params').value, bytes: bytes };
}
// The file's name and bytes; the text as edited is "the parameters" in messages.
function parameterFile() {
  var text = element('params').value;
  if (text === page.loaded.text) return page.loaded;
  var bytes = [];
  for (var c of text) {
    var code = c.codePointAt(0);
    if (code < 256) bytes.push(code); else bytes.push.apply(bytes, new TextEncoder().encode(c));
  }
  return { name: 'the parameters', bytes: new Uint8Array(bytes) };
}
function loadFile(file) { if (file) file.arrayBuffer().then(function (b) { load(file.name, new Uint8Array(b)); }); }

// The largest canvas that fits the window below the controls, as the program takes the
// largest window.
function canvasSize() {
  var canvas = element('canvas');
  var fit = [document.documentElement.clientWidth, window.innerHeight - canvas.getBoundingClientRect().top - window.scrollY];
  return ['width', 'height'].map(function (id, i) {
    var typed = parseInt(element(id).value, 10);
    return Math.min(16384, Math.max(1, typed > 0 ? typed : Math.floor(fit[i])));
  });
}

function gravityShow(rgba, width, height, frame) {
  page.image.data.set(rgba);
  element('canvas').getContext('2d').putImageData(page.image, 0, 0);
  element('frame').textContent = frame;
}

function ended(end) {
  page.running = false;
  element('start').disabled = false;
  element('stop').disabled = true;
  element('report').textContent = page.report;
  element('meaning').textContent = page.words;
  element('status').textContent = 'Ended after frame ' + end.frame + ', exit code ' + end.exitCode + '.';
  document.body.dataset.exitCode = end.exitCode;
  document.body.dataset.frame = end.frame;
}

async function start() {
  if (page.running) return;
  page.running = true;
  element('start').disabled = true;
  element('stop').disabled = false;
  delete document.body.dataset.exitCode;
  delete document.body.dataset.frame;
  page.report = page.words = '';
  ['report', 'meaning', 'frame'].forEach(function (id) { element(id).textContent = id == 'frame' ? '0' : ''; });
  element('status').textContent = 'Running.';
  var size = canvasSize(), canvas = element('canvas');
  canvas.width = size[0];
  canvas.height = size[1];
  page.image = canvas.getContext('2d').createImageData(size[0], size[1]);
  var file = parameterFile(), name = new TextEncoder().encode(file.name).subarray(0, 255);
  await page.ready;
  HEAPU8.set(file.bytes, _page_parameters(file.bytes.length));
  HEAPU8.set(name, _page_file_name(name.length));
  try {
    await Module['ccall']('page_run', null, ['number', 'number', 'number'],
                          [size[0], size[1], Math.max(0, parseInt(element('frames').value, 10) || 0)], { async: true });
  } catch (thrown) {
    var end = thrown;  // a run ends by throwing; a trap's exit sequence throws its end
    if (!(end instanceof GravityRunEnd)) try { gravityTrap(thrown); } catch (e) { end = e; }
    if (!(end instanceof GravityRunEnd)) {
      page.running = false;
      element('status').textContent = 'The page failed: ' + thrown;
      throw thrown;
    }
    ended(end);
  }
}

function stop() { if (page.running) _page_stop(); }

Module['print'] = function (line) { page.report += line.replace(/\r$/, '') + '\n'; };
Module['printErr'] = function (line) { page.words += line + '\n'; };

(function () {
  GRAVITY_EXAMPLES.forEach(function (example) {
    element('example').add(new Option(example.name, example.name));
  });
  element('example').onchange = function () {
    var hex = GRAVITY_EXAMPLES.find(function (e) { return e.name == element('example').value; }).hex;
    load(element('example').value + '.txt', new Uint8Array(hex.match(/../g).map(function (h) { return parseInt(h, 16); })));
  };
  element('example').onchange();
  element('file').onchange = function () { loadFile(element('file').files[0]); };
  document.ondragover = function (e) { e.preventDefault(); };
  document.ondrop = function (e) { e.preventDefault(); loadFile(e.dataTransfer.files[0]); };
  element('start').onclick = start;
  element('stop').onclick = stop;
  element('save').onclick = function () {
    element('canvas').toBlob(function (blob) {
      var link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = 'gravity-frame-' + element('frame').textContent + '.png';
      link.click();
    });
  };
  // Any key stops a run, as a key in the terminal does; a modifier alone is no key.
  document.addEventListener('keydown', function (e) {
    if (!page.running || ['Shift', 'Control', 'Alt', 'Meta', 'CapsLock'].includes(e.key)) return;
    e.preventDefault();
    stop();
  });
})();
