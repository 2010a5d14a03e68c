// The history report in a real browser: headless Chromium opens a year's report from file://,
// every chart draws, zoom moves the visible range, the summary JSON parses, nothing is fetched.
// usage: node browser_test.mjs MAKE_REPORT BUILD_DIR
import { execFileSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import assert from 'node:assert/strict';
import { chromium } from 'playwright-core';

const root = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const [makeReport, buildDir] = process.argv.slice(2);
const work = join(buildDir, 'report-test');
mkdirSync(work, { recursive: true });
const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

function makeLog(name, options) {
  const path = join(work, name);
  if (!existsSync(path)) execFileSync('python3', [join(root, 'tools/gen-year-log.py'), path, ...options]);
  return path;
}

function makePage(log, name) {
  const out = join(work, name);
  const stats = execFileSync(makeReport, ['--stats', log, '--out', out, '--no-open']).toString();
  // The peak memory a child of node reports is node's own (Linux keeps it across exec): left out.
  process.stdout.write(`${name}: ${stats.replace(/ peak_rss_mb=\S+/, '')}`);
  return out;
}

const countRows = (log) => readFileSync(log, 'latin1').split('\n').filter((l) => /^\d{4}\//.test(l)).length;

async function openReport(context, html) {
  const page = await context.newPage();
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
  page.on('pageerror', (error) => problems.push(String(error)));
  const start = Date.now();
  await page.goto(pathToFileURL(html).href);
  await page.waitForFunction(() => document.documentElement.dataset.ready === 'true', null, { timeout: 20000 });
  return { page, problems, openMs: Date.now() - start };
}

// The time axis's tick texts of every chart: whole days as YYYY/MM/DD, times of day as 24-hour
// HH:MM (the day beneath where it changes), never a month name or am/pm.
const DAY_TEXT = String.raw`20\d\d/(0[1-9]|1[0-2])/(0[1-9]|[12]\d|3[01])`;
const TICK = new RegExp(String.raw`^(${DAY_TEXT}|([01]\d|2[0-3]):[0-5]\d(:[0-5]\d)?(\n${DAY_TEXT})?)$`);
async function checkTimeTicks(page, shape) {
  const ticks = await page.evaluate(() => [0, 1, 2, 3].map((i) => window.verdalinReport.timeTicks(i)));
  for (const chart of ticks) {
    assert.ok(chart.length > 1, `too few ticks: ${chart}`);
    for (const tick of chart) assert.match(tick, TICK);
    assert.ok(chart.some((tick) => shape.test(tick)), `no tick like ${shape}: ${chart}`);
  }
}

// Painted pixels of each chart's canvas: an empty chart has only its axes.
const paintedPixels = (page) => page.$$eval('.plot canvas', (canvases) => canvases.map((canvas) => {
  const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
  let painted = 0;
  for (let i = 3; i < pixels.length; i += 4) if (pixels[i] > 0) painted++;
  return painted;
}));

async function checkYear(context) {
  const log = makeLog('year.csv', []);
  const { page, problems, openMs } = await openReport(context, makePage(log, 'year.html'));
  const report = await page.evaluate(() => ({ ...window.verdalinReport, summary: undefined }));
  console.log(`browser: opened and drawn in ${openMs} ms (script ${report.drawMs.toFixed(0)} ms, ${report.points} points)`);
  assert.deepEqual(problems, []);
  assert.equal(report.charts, 4);
  const painted = await paintedPixels(page);
  assert.equal(painted.length, 4);
  for (const count of painted) assert.ok(count > 5000, `a chart is nearly empty: ${painted}`);

  const summary = await page.evaluate(() => JSON.parse(document.getElementById('verdalin-summary').textContent));
  assert.equal(summary.polls, countRows(log));
  assert.ok(summary.days.length >= 360 && summary.resyncs >= 12, JSON.stringify(summary).slice(0, 400));
  assert.ok(summary.availability_gateway_pct < 100 && summary.minutes_below_snr_low > 0);

  const whole = await page.evaluate(() => window.verdalinReport.visibleRange());
  await page.click('button[data-days="7"]');
  const week = await page.evaluate(() => window.verdalinReport.visibleRange());
  await checkTimeTicks(page, new RegExp(`^${DAY_TEXT}$`));
  assert.ok(Math.abs(week[1] - week[0] - 7 * 86400) < 120, `7 days shows ${week}`);
  await page.locator('#chart-snr').scrollIntoViewIfNeeded();
  const box = await page.locator('#chart-snr .u-over').boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  await page.mouse.wheel(0, -400);
  const closer = await page.evaluate(() => window.verdalinReport.visibleRange());
  assert.ok(closer[1] - closer[0] < week[1] - week[0], `the wheel did not zoom: ${closer}`);
  await page.mouse.move(box.x + box.width * 0.3, box.y + 40);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 0.5, box.y + 60, { steps: 5 });
  await page.mouse.up();
  const dragged = await page.evaluate(() => window.verdalinReport.visibleRange());
  assert.ok(dragged[1] - dragged[0] < closer[1] - closer[0], `the drag did not zoom: ${dragged}`);
  const rangeOf = (id) => page.evaluate((i) => window.verdalinReport.rangeOf(i), id);
  assert.deepEqual(await rangeOf(3), dragged, 'the charts do not share the zoom');
  await checkTimeTicks(page, /^\d\d:\d\d/);
  await page.click('button[data-days="0"]');
  assert.deepEqual(await page.evaluate(() => window.verdalinReport.visibleRange()), whole);

  await page.setViewportSize({ width: 1280, height: 1800 });
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.screenshot({ path: join(work, 'report.png') });
  await page.evaluate(() => window.dispatchEvent(new Event('beforeprint')));  // as a print does
  await page.pdf({ path: join(work, 'report.pdf'), format: 'A4' });
  console.log(`screenshot ${join(work, 'report.png')}, printed ${join(work, 'report.pdf')}`);
  assert.deepEqual(problems, []);
}

async function checkWindowsFrench(context) {
  const log = makeLog('french-cp1252.csv', ['--days', '3', '--form', 'fr', '--encoding', 'cp1252']);
  const { page, problems } = await openReport(context, makePage(log, 'french.html'));
  assert.deepEqual(problems, []);
  const summary = await page.evaluate(() => JSON.parse(document.getElementById('verdalin-summary').textContent));
  assert.equal(summary.polls, countRows(log));
  assert.equal(summary.rows_skipped, 0);
  assert.equal(await page.textContent('.resolution'), 'Every poll is drawn.');
}

const profile = mkdtempSync(join(tmpdir(), 'verdalin-chromium-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium', headless: true, args: FLAGS, viewport: { width: 1280, height: 900 },
});
const fetched = [];
await context.route('**/*', (route) => {
  const url = route.request().url();
  if (url.startsWith('file:')) return route.continue();
  fetched.push(url);
  return route.abort();
});
try {
  await checkYear(context);
  await checkWindowsFrench(context);
  assert.deepEqual(fetched, [], 'the report asked for something over the network');
  console.log('browser test passed');
} finally {
  await context.close();
  rmSync(profile, { recursive: true, force: true });
}
