// Draws each glb with three.js in headless Chromium (swiftshader) from
// mqo2png's camera and light, and compares the picture with mqo2png's:
//   node compare.mjs OUT_DIR MAX_MEAN_DIFF GLB PNG [GLB PNG ...]
// One line per pair (silhouette intersection over union, mean colour
// difference inside the overlap); three.js's pictures go to OUT_DIR. Exit
// status 1 when a pair's IoU is below 0.95 or its difference above the limit.
import { createServer } from 'node:http';
import { readFileSync, writeFileSync, existsSync } from 'node:fs';
import { dirname, join, basename, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = dirname(fileURLToPath(import.meta.url));
const [outDir, limitText, ...files] = process.argv.slice(2);
const limit = Number(limitText);
const pairs = [];
for (let i = 0; i + 1 < files.length; i += 2) pairs.push([resolve(files[i]), resolve(files[i + 1])]);

const types = { '.js': 'text/javascript', '.html': 'text/html', '.glb': 'model/gltf-binary', '.png': 'image/png' };
const server = createServer((req, res) => {
  const url = decodeURIComponent(new URL(req.url, 'http://127.0.0.1').pathname);
  let path = null;
  if (url === '/page.html') path = join(here, 'page.html');
  else if (url.startsWith('/three/')) path = join(here, 'node_modules', url.slice(1));
  else if (url.startsWith('/file/')) path = pairs.flat()[Number(url.split('/')[2])];
  if (path === null || path === undefined || !existsSync(path) || path.includes('..')) {
    res.writeHead(404).end();
    return;
  }
  const ext = path.slice(path.lastIndexOf('.'));
  res.writeHead(200, { 'Content-Type': types[ext] || 'application/octet-stream' });
  res.end(readFileSync(path));
});
await new Promise((ok) => server.listen(0, '127.0.0.1', ok));
const base = `http://127.0.0.1:${server.address().port}`;

const browser = await puppeteer.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  headless: true,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
         '--no-first-run', '--disable-background-networking'],
});
let bad = 0;
try {
  const page = await browser.newPage();
  page.on('pageerror', (e) => console.log(`page error: ${e.message}`));
  await page.goto(`${base}/page.html`);
  await page.waitForFunction('window.pageReady === true');
  for (let i = 0; i < pairs.length; ++i) {
    const [glb, png] = pairs[i];
    const r = await page.evaluate((g, p) => window.compareGlb(g, p), `/file/${2 * i}`, `/file/${2 * i + 1}`);
    const ok = r.iou >= 0.95 && r.meanDiff <= limit;
    if (!ok) ++bad;
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${basename(glb)}: IoU ${r.iou.toFixed(4)}, mean colour difference ` +
                `${r.meanDiff.toFixed(2)}/255 over ${r.pixels} pixels`);
    writeFileSync(join(outDir, basename(glb, '.glb') + '.three.png'),
                  Buffer.from(r.picture.split(',')[1], 'base64'));
  }
} finally {
  await browser.close();
  server.close();
}
process.exit(bad > 0 ? 1 : 0);
