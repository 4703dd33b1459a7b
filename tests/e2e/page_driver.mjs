// Drives headless Chromium over its DevTools protocol for the vorn.html
// test: opens the page from disk, records console errors and every network
// request, takes screenshots before and after a drag, clicks one table row
// and asks the viewer where model points land on the screen.
//   node --experimental-websocket page_driver.mjs CHROMIUM PAGE POINTS.json ROW OUTDIR
// Writes OUTDIR/before.png, after.png, clicked.png and prints a report, one
// fact a line: "error TEXT", "request URL", "point X Y" (per point, before
// the drag), "viewer LEFT TOP WIDTH HEIGHT", "selected_rows I...",
// "selected_at X Y", "load_ms T", "surfaces N" (the density's isosurfaces
// drawn at load).
import { spawn } from 'node:child_process';
import { readFileSync, writeFileSync } from 'node:fs';

const [chromium, page, pointsFile, rowText, outDir] = process.argv.slice(2);
const points = JSON.parse(readFileSync(pointsFile, 'utf8'));
const row = Number(rowText);
const width = 1000, height = 700;

const browser = spawn(chromium, ['--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
  '--no-first-run', '--no-default-browser-check', '--remote-debugging-port=0', `--user-data-dir=${outDir}/profile`,
  `--window-size=${width},${height}`, 'about:blank'], { stdio: ['ignore', 'ignore', 'pipe'] });
const timer = setTimeout(() => { browser.kill(); console.error('timeout'); process.exit(2); }, 60000);

const port = await new Promise((resolve, reject) => {
  let text = '';
  browser.stderr.on('data', (d) => {
    text += d;
    const m = text.match(/DevTools listening on ws:\/\/[^:]+:(\d+)\//);
    if (m) resolve(m[1]);
  });
  browser.on('exit', () => reject(new Error('Chromium ended: ' + text)));
});
const targets = await (await fetch(`http://127.0.0.1:${port}/json/list`)).json();
const ws = new WebSocket(targets.find((t) => t.type === 'page').webSocketDebuggerUrl);
await new Promise((r) => ws.addEventListener('open', r));

let id = 0;
const pending = new Map(), listeners = [];
ws.addEventListener('message', (e) => {
  const msg = JSON.parse(e.data);
  if (msg.id && pending.has(msg.id)) {
    const { resolve, reject } = pending.get(msg.id);
    pending.delete(msg.id);
    msg.error ? reject(new Error(JSON.stringify(msg.error))) : resolve(msg.result);
  } else if (msg.method) listeners.forEach((l) => l(msg));
});
const send = (method, params = {}) => new Promise((resolve, reject) => {
  pending.set(++id, { resolve, reject });
  ws.send(JSON.stringify({ id, method, params }));
});
const evaluate = async (expression) => {
  const r = await send('Runtime.evaluate', { expression, returnByValue: true, awaitPromise: true });
  if (r.exceptionDetails) throw new Error(expression + ': ' + JSON.stringify(r.exceptionDetails));
  return r.result.value;
};
const shot = async (name) => {
  const r = await send('Page.captureScreenshot', { format: 'png' });
  writeFileSync(`${outDir}/${name}`, Buffer.from(r.data, 'base64'));
};
const mouse = (type, x, y, buttons = 1) =>
  send('Input.dispatchMouseEvent', { type, x, y, button: 'left', buttons, clickCount: 1 });

const out = [];   // the report, one fact a line
const pageUrl = 'file://' + page;
listeners.push((m) => {
  const p = m.params;
  if (m.method === 'Runtime.consoleAPICalled' && p.type === 'error') out.push('error ' + p.args.map((a) => a.value ?? a.description).join(' '));
  if (m.method === 'Runtime.exceptionThrown') out.push('error ' + (p.exceptionDetails.exception?.description ?? p.exceptionDetails.text));
  if (m.method === 'Log.entryAdded' && p.entry.level === 'error') out.push('error ' + p.entry.text);
  if (m.method === 'Network.requestWillBeSent' && p.request.url !== pageUrl && !p.request.url.startsWith('data:'))
    out.push('request ' + p.request.url);
});
for (const domain of ['Page', 'Runtime', 'Log', 'Network']) await send(domain + '.enable');
await send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false });
const loaded = new Promise((r) => listeners.push((m) => { if (m.method === 'Page.loadEventFired') r(); }));
const start = Date.now();
await send('Page.navigate', { url: pageUrl });
await loaded;
const frames = () => evaluate('new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r)))');
await frames();   // two frames after the load: the viewer has drawn
const loadMs = Date.now() - start;

// Labels and the density's surfaces off (the page's own switches): text or a
// surface over an arrow head would hide its colour.
out.push('surfaces ' + await evaluate('vorn.surfaces()'));
await evaluate('document.getElementById("labels").click()');
await evaluate('document.getElementById("density") && document.getElementById("density").click()');
const project = (pts) => evaluate(`(${JSON.stringify(pts)}).map((p) => vorn.viewer.modelToScreen({x: p[0], y: p[1], z: p[2]}))`);
(await project(points)).forEach((p) => out.push(`point ${p.x} ${p.y}`));
await shot('before.png');
const box = await evaluate('(() => { const r = document.getElementById("viewer").getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()');
const cx = box[0] + box[2] / 2, cy = box[1] + box[3] / 2;
await mouse('mousePressed', cx, cy);
for (let k = 1; k <= 10; ++k) await mouse('mouseMoved', cx + 12 * k, cy + 5 * k);
await mouse('mouseReleased', cx + 120, cy + 50, 0);
await frames();
await shot('after.png');

const rect = await evaluate(`(() => { const r = vorn.rows[${row}].getBoundingClientRect(); return [r.left + 20, r.top + r.height / 2]; })()`);
await mouse('mousePressed', rect[0], rect[1]);
await mouse('mouseReleased', rect[0], rect[1], 0);
await evaluate('new Promise((r) => setTimeout(r, 300))');
const rows = await evaluate('vorn.rows.map((r, i) => r.classList.contains("selected") ? i : -1).filter((i) => i >= 0)');
const at = (await project([await evaluate(`vorn.atoms[${row}].pos`)]))[0];
await shot('clicked.png');
clearTimeout(timer);
out.push('viewer ' + box.join(' '), 'selected_rows ' + rows.join(' '), `selected_at ${at.x} ${at.y}`, 'load_ms ' + loadMs);
console.log(out.join('\n'));
ws.close();
browser.kill();
