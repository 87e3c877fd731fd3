// The web edition against the native build: the node trace tool's decimal records, the
// run-time's test program under node, and the page in headless Chromium (Debian's) driven
// through its ids as a person would: frame K pixel for pixel against the native --frames-png,
// an error's report, Stop and a key, a file from the picker.   node --test tests/web/web_test.js
const test = require('node:test'), assert = require('node:assert/strict');
const fs = require('fs'), os = require('os'), path = require('path'), zlib = require('zlib');
const {execFileSync, spawnSync} = require('child_process'), puppeteer = require('puppeteer-core');
const ROOT = path.resolve(__dirname, '../..'), TRACE = `${ROOT}/BUILD/gravity-trace`, tmp = fs.mkdtempSync(`${os.tmpdir()}/page-`);
const ARGS = ['--no-sandbox', '--headless=new', '--disable-gpu', '--no-first-run', '--disable-background-networking',
              '--disable-component-update', '--disable-sync', `--user-data-dir=${tmp}/profile`];
let browser, page;
test.before(async () => {
  browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', args: ARGS, headless: true, pipe: true});
  page = await browser.newPage();
  await page.setViewport({width: 1000, height: 700});
  await page.goto(`file://${ROOT}/BUILD-web/gravity.html`);
});
test.after(async () => { await browser.close(); fs.rmSync(tmp, {recursive: true}); });

const ended = () => page.waitForFunction(() => document.body.dataset.exitCode, {timeout: 120000})
    .then(() => page.evaluate(() => [+document.body.dataset.exitCode, +document.body.dataset.frame]));
async function type(id, value) {
  await page.click(`#${id}`, {clickCount: 3});
  await page.keyboard.type(String(value));
}
// A run of an example or a text on a canvas of the size typed (none: the largest that fits).
async function start({example, text, size = ['', ''], frames = 0}) {
  if (example) await page.select('#example', example);
  if (text) await page.$eval('#params', (area, t) => { area.value = t; }, text);
  for (const [id, value] of [['width', size[0]], ['height', size[1]], ['frames', frames]]) await type(id, value);
  await page.evaluate(() => delete document.body.dataset.exitCode);  // the last run's, which Start removes
  await page.click('#start');
}
// 8-bit RGB rows with no filter, as the trace tool writes them.
function readPng(file) {
  const png = fs.readFileSync(file), idat = [];
  let width;
  for (let at = 8; at < png.length; at += 12 + png.readUInt32BE(at)) {
    const type = png.toString('latin1', at + 4, at + 8), data = png.subarray(at + 8, at + 8 + png.readUInt32BE(at));
    if (type == 'IHDR') width = data.readUInt32BE(0);
    if (type == 'IDAT') idat.push(data);
  }
  const raw = zlib.inflateSync(Buffer.concat(idat)), row = 3 * width + 1, rows = [];
  for (let at = 0; at < raw.length; at += row) rows.push(raw.subarray(at + 1, at + row));
  return Buffer.concat(rows);
}
const canvasRgb = () => page.$eval('#canvas', canvas => {
  const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let rgb = '';
  for (let i = 0; i < rgba.length; i += 4) rgb += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
  return [btoa(rgb), rgba.every((v, i) => i % 4 != 3 || v == 255)];
});

test('the node trace tool prints the reals in decimal as the native one does', () => {
  const records = (...tool) => execFileSync(tool[0], [...tool.slice(1), `${ROOT}/examples/spiral.txt`, '40']).toString();
  assert.equal(records('node', `${ROOT}/BUILD-web/gravity-trace.js`), records(TRACE));
});

test('the run-time\'s cases end under node as natively: report, back-trace depth, exit code', () => {
  const outcome = (...run) => {
    const r = spawnSync(run[0], run.slice(1));
    return [r.status, r.stdout.toString().replace(/0x[0-9A-F]{8}/g, '0x')];
  };
  for (const c of ['cw', 'fdiv00', 'fdiv10', 'overflow', 'underflow', 'round_values', 'round_high', 'round_in_proc', 'bound',
                   'bound_in_proc', 'halt', 'exitprocs', 'exitproc_error', 'ioerror', 'stack', 'ill', 'intdiv', 'deep'])
    assert.deepEqual(outcome('node', `${ROOT}/BUILD-web/tests/rt_cases.js`, c), outcome(`${ROOT}/BUILD/tests/rt_cases`, c), c);
});  // a null write and 2^60 bytes are no faults in 32-bit WebAssembly

test('frame K is the native trace tool\'s frame K, pixel for pixel, on any canvas', async () => {
  for (const [example, width, height, K] of [['two-body', 640, 480, 7], ['clusters', 800, 600, 40],
                                              ['spiral', 450, 260, 12], ['figure-eight', 1003, 611, 25]]) {
    await start({example, size: [width, height], frames: K});
    assert.deepEqual(await ended(), [0, K], example);
    const dir = `${tmp}/${example}`, [rgb, opaque] = await canvasRgb();
    const file = `${ROOT}/examples/${example}.txt`;
    execFileSync(TRACE, ['--print=none', `--size=${width}x${height}`, '--frames-png', dir, file, `${K}`]);
    assert.ok(Buffer.from(rgb, 'base64').equals(readPng(`${dir}/frame-${String(K).padStart(6, '0')}.png`)), example);
    assert.ok(opaque, example);
  }
});

test('an error ends the run with its number and shows the native report (addresses masked) and its words', async () => {
  const text = '1\n1 100 32765 0 1\n0 0 0\n';  // y reaches 32768 in frame 4
  await start({text, size: [300, 200]});
  assert.deepEqual(await ended(), [201, 3]);
  fs.writeFileSync(`${tmp}/error.txt`, text);
  const native = spawnSync(TRACE, ['--print=none', `${tmp}/error.txt`, '9']);
  const mask = s => s.replace(/0x[0-9A-F]{8}/g, '0x').replace(/\r/g, '');
  assert.equal(mask(await page.$eval('#report', e => e.textContent)), mask(native.stdout.toString().replace(/^P.*\n/, '')));
  assert.equal(await page.$eval('#meaning', e => e.textContent), native.stderr.toString().replace('gravity-trace', 'gravity'));
  assert.match(await page.evaluate(() => document.body.innerText), /Runtime error 201 at 0x[0-9A-F]{8}\n  0x/);
});

test('Stop and any key end a run with 0, showing the frame counted', async () => {
  for (const stop of [() => page.click('#stop'), () => page.keyboard.press('x')]) {
    await start({example: 'two-body'});
    await page.waitForFunction(() => +document.getElementById('frame').textContent >= 3);
    await stop();
    const [code, frame] = await ended();
    assert.deepEqual([code, String(frame)], [0, await page.$eval('#frame', e => e.textContent)]);
  }
});

test('a file chosen in the picker loads as its bytes: CR LF, code page 852', async () => {
  const file = `${tmp}/picked.txt`;
  fs.writeFileSync(file, Buffer.from('2\r\n1 0 0 0 0\r\n1 1 0 0 0\r\n0 -1 0.5\r\n\x82\xA0 end', 'latin1'));
  await (await page.$('#file')).uploadFile(file);
  await page.waitForFunction(() => document.getElementById('params').value.endsWith(' end'));
  await start({frames: 2});
  assert.deepEqual(await ended(), [0, 2]);
});
