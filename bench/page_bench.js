// The time of a frame of 1000 bodies in the page, in headless Chromium (wall time): runs
// that stop after frame 1 and after frame 1 + FRAMES, the difference per frame.
//   node bench/page_bench.js    (BUILD-web/gravity.html built, puppeteer-core in tests/web/)
const path = require('path'), os = require('os'), fs = require('fs');
const puppeteer = require(path.join(__dirname, '../tests/web/node_modules/puppeteer-core'));
const ROOT = path.resolve(__dirname, '..'), FRAMES = 10, profile = fs.mkdtempSync(`${os.tmpdir()}/bench-`);

// sim_bench's grid of 1000 bodies, no delay, no merge.
let text = '1000\n';
for (let I = 1; I <= 1000; ++I) text += `${1 + I % 8} ${I % 100 * 10} ${Math.floor(I / 100) * 10} 0 0\n`;
text += '0 2 1\n';

(async () => {
  const browser = await puppeteer.launch({executablePath: '/usr/bin/chromium', pipe: true, args: ['--no-sandbox',
    '--headless=new', '--disable-gpu', '--no-first-run', '--disable-background-networking', `--user-data-dir=${profile}`]});
  const page = await browser.newPage();
  await page.goto(`file://${ROOT}/BUILD-web/gravity.html`);
  await page.$eval('#params', (area, t) => { area.value = t; }, text);
  const run = async frames => {
    await page.$eval('#frames', (input, k) => { input.value = k; }, frames);
    await page.evaluate(() => delete document.body.dataset.exitCode);
    const start = Date.now();
    await page.click('#start');
    await page.waitForFunction(() => document.body.dataset.exitCode, {timeout: 600000});
    return Date.now() - start;
  };
  await run(1);  // compiled and warm
  const ms = (await run(1 + FRAMES) - await run(1)) / FRAMES;
  console.log(`page: ${ms.toFixed(1)} ms per frame of 1000 bodies (${(ms * 1e6 / (1000 * 999 / 2)).toFixed(0)} ns per pair)`);
  await browser.close();
  fs.rmSync(profile, {recursive: true});
})();
