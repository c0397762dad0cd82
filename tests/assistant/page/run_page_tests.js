#!/usr/bin/env node
// The assistant's page (assistant/res/html) in headless Chromium, with a stub window.external that
// records every host call and answers as each test scripts it. The browser control that
// shows the page in the product needs Windows' HTML engine, which Wine does not have, so the host
// (tested under Wine) and the page (tested here) are tested separately.
//
// Usage: node run_page_tests.js [--pages DIR] [--artifacts DIR]
// Needs playwright-core (NODE_PATH) and /usr/bin/chromium. Closes with "N passed, M failed".
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');

const argv = process.argv.slice(2);
function option(name, fallback) {
  const i = argv.indexOf(name);
  return i >= 0 && i + 1 < argv.length ? argv[i + 1] : fallback;
}
const PAGES = path.resolve(option('--pages', path.join(__dirname, '../../../assistant/res/html')));
const ARTIFACTS = path.resolve(option('--artifacts', path.join(os.tmpdir(), 'quorvane-page-artifacts')));
const CHROMIUM = process.env.PELQIN_CHROMIUM || '/usr/bin/chromium';

// The whole run must end by itself.
const watchdog = setTimeout(() => {
  console.log('page tests: time-out after 150 s');
  console.log('0 passed, 1 failed');
  process.exit(2);
}, 150000);
watchdog.unref();

let chromium;
try {
  ({ chromium } = require('playwright-core'));
} catch (e) {
  console.log('playwright-core is missing (scripts/setup.sh installs it; NODE_PATH must point at it): ' + e.message);
  console.log('0 passed, 1 failed');
  process.exit(1);
}

// --- a tiny static server on 127.0.0.1 (frames of one origin can reach each other) ---
const TYPES = { '.htm': 'text/html', '.html': 'text/html', '.js': 'application/javascript', '.css': 'text/css' };
function serve(root) {
  const server = http.createServer((req, res) => {
    const url = decodeURIComponent(req.url.split('?')[0].split('#')[0]);
    if (url === '/favicon.ico') {  // the browser's own request, not the page's
      res.writeHead(204);
      res.end();
      return;
    }
    const file = path.normalize(path.join(root, url === '/' ? '/index.htm' : url));
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end('not found');
      return;
    }
    // No charset in the header: the page must declare its own.
    res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// --- the stub host, installed in every frame before the page's scripts run ---
const HOST_NAMES = [
  'CB_IsOurCustomBrowser', 'CB_Close', 'CB_CustomFunction', 'CB_CustomFunctionWithParams', 'CB_OpenWindow',
  'CB_ShowModalDialog', 'CB_ShowModelessDialog', 'CB_CallJSFuction', 'CB_ClientWindowInfo', 'CB_DetectUkey',
  'CB_DetectControl', 'CB_DetectIE', 'CB_DetectAll', 'CB_RepairUkey', 'CB_SetIELevel', 'CB_InstallDriver',
  'CB_ChangePassword', 'CB_ShowSelfCert', 'CB_RepairControl', 'CB_RepairAll', 'CB_GetIEChanges', 'CB_ClearSslStatus',
  'CB_RecoverIESettings', 'CB_GetUkeyInfo', 'CB_GetSystemInfo', 'CB_GetNetState', 'CB_GetOSInfo', 'CB_GetIEInfo',
  'CB_GetVersion', 'CB_GetCertSubject', 'CB_ClearCache', 'CB_UpdateCert', 'CB_GetErrorDesc',
  'CB_DetectNeedUpdateCert', 'CB_ShowCert', 'CB_RepairThread',
];
function installStubHost(names) {
  if (location.hash === '#nohost' || (window.top !== window && window.top.location.hash === '#nohost')) return;
  if (window.top === window) {
    window.__calls = [];
    window.__answers = {};
  }
  const stub = {};
  names.forEach((name) => {
    stub[name] = function () {
      const args = Array.prototype.slice.call(arguments);
      const top = window.top;
      top.__calls.push({ name, args, frame: window.name || 'top' });
      const answer = top.__answers[name];
      if (typeof answer === 'function') return answer.apply(null, args);
      return answer === undefined ? 1 : answer;  // the host's true is the value 1
    };
  });
  Object.defineProperty(window, 'external', { value: stub, configurable: true, writable: true });
}

// Every result code the host reports, each of which needs a text.
const RESULT_CODES = [
  'REPAIR0', 'REPAIR1', 'TITLE_KV', 'UKEY_KV1010', 'UKEY_KV1011', 'UKEY_KV1020', 'UKEY_KV1022', 'UKEY_KV1080',
  'UKEY_KV1081', 'UKEY_INFO', 'TITLE_RG', 'REG0', 'SYSTEM_INFO', 'TITLE_IE', 'SSL0', 'SITE0', 'SITE10', 'IELEVEL0',
  'IELEVEL1', 'IELEVEL2', 'TITLE_CT', 'ENCKEY0', 'ENCKEY2', 'SIGN0', 'SIGN2', 'COM00', 'COM02', 'COM10', 'COM12',
  'COM20', 'COM22',
];

// --- tiny test runner ---
const tests = [];
function test(name, fn) {
  tests.push({ name, fn });
}
function assert(condition, message) {
  if (!condition) throw new Error(message || 'assertion failed');
}
function assertEqual(actual, expected, message) {
  const a = JSON.stringify(actual);
  const e = JSON.stringify(expected);
  if (a !== e) throw new Error((message ? message + ': ' : '') + 'expected ' + e + ', got ' + a);
}

let context;
let baseUrl;

async function openPage(hash) {
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => {
    if (m.type() === 'error') errors.push(m.text());
  });
  await page.goto(baseUrl + '/index.htm' + (hash || ''), { waitUntil: 'load', timeout: 20000 });
  page.errors = errors;
  return page;
}
function frame(page, name) {
  const f = page.frame({ name });
  if (!f) throw new Error('no frame ' + name);
  return f;
}
const calls = (page) => page.evaluate(() => window.__calls.map((c) => ({ name: c.name, args: c.args })));
const clearCalls = (page) => page.evaluate(() => { window.__calls.length = 0; });
async function rows(f) {
  return f.$$eval('#results li.row', (items) => items.map((li) => ({
    code: li.getAttribute('data-code'),
    kind: li.className.replace('row ', ''),
    text: li.querySelector('.text').textContent,
    button: li.querySelector('.action') ? li.querySelector('.action').textContent : null,
  })));
}

// A scripted detection run: the stub host function calls "addResult" in the frame while the page's
// call is still running, as the real host does.
async function scriptRun(page, hostName, frameName, series) {
  await page.evaluate(({ hostName, frameName, series }) => {
    window.__answers[hostName] = function () {
      const target = window.frames[frameName];
      series.forEach((item) => target.addResult(item[0], item[1]));
      return 1;
    };
  }, { hostName, frameName, series });
}

const DETECT_ALL_SERIES = [
  ['TITLE_KV', '1'], ['UKEY_KV1010', '1'], ['UKEY_KV1022', '1'], ['UKEY_KV1081', '1'], ['TITLE_RG', '1'],
  ['REG0', '1'], ['TITLE_IE', '1'], ['SSL0', '1'], ['SITE10', '1'], ['IELEVEL0', '1'], ['TITLE_CT', '1'],
  ['ENCKEY2', '1'], ['COM00', '1'], ['COM12', '1'], ['COM22', '1'], ['SIGN2', '1'], ['REPAIR1', '0'],
];

test('the page declares its character set and loads with its frames and functions', async () => {
  const page = await openPage();
  const html = fs.readFileSync(path.join(PAGES, 'index.htm'), 'utf8');
  assert(/<meta http-equiv="X-UA-Compatible" content="IE=edge">/.test(html), 'IE11 document mode');
  assert(/charset=utf-8/i.test(html), 'charset declared');
  assertEqual(await page.evaluate(() => document.characterSet), 'UTF-8');
  assertEqual(await page.title(), '网银助手');
  assertEqual(await page.evaluate(() => typeof window.showMainPage), 'function');
  for (const name of ['frame_main', 'frame_main1', 'frame_main2', 'frame_main3']) {
    assertEqual(await frame(page, name).evaluate(() => typeof window.addResult), 'function', name);
  }
  const log = frame(page, 'frame_main4');
  assertEqual(await log.evaluate(() => [typeof addIELeaveLog, typeof noneIELeaveLog]), ['function', 'function']);
  assertEqual(await page.isVisible('#noHost'), false, 'the host is detected');
  assertEqual(page.errors, [], 'no script errors');
  await page.close();
});

test('outside the assistant the page says so and calls nothing', async () => {
  const page = await openPage('#nohost');
  assertEqual(await page.isVisible('#noHost'), true);
  await page.click('#btnDetectAll');
  const summary = await frame(page, 'frame_main').textContent('#summary');
  assert(summary.indexOf('网银助手中打开') >= 0, 'summary: ' + summary);
  assertEqual(page.errors, []);
  await page.close();
});

test('every result code has a text of its own', async () => {
  const page = await openPage();
  const missing = await frame(page, 'frame_main').evaluate((codes) =>
    codes.filter((c) => !RESULT_TEXTS.hasOwnProperty(c) || !RESULT_TEXTS[c].text), RESULT_CODES);
  assertEqual(missing, []);
  await page.close();
});

test('detect-all renders the host\'s addResult series in frame_main', async () => {
  const page = await openPage();
  await scriptRun(page, 'CB_DetectAll', 'frame_main', DETECT_ALL_SERIES);
  await clearCalls(page);
  await page.click('#btnDetectAll');
  assertEqual(await calls(page), [{ name: 'CB_DetectAll', args: [] }]);
  const f = frame(page, 'frame_main');
  const shown = await rows(f);
  assertEqual(shown.map((r) => r.code), DETECT_ALL_SERIES.slice(0, -1).map((s) => s[0]));
  assertEqual(shown.find((r) => r.code === 'TITLE_KV').kind, 'title');
  assertEqual(shown.find((r) => r.code === 'UKEY_KV1010').kind, 'ok');
  assertEqual(shown.find((r) => r.code === 'UKEY_KV1022').kind, 'bad');
  assertEqual(shown.find((r) => r.code === 'UKEY_KV1022').text, 'USB Key驱动程序未安装或不完整。');
  assertEqual(shown.find((r) => r.code === 'COM12').button, '安装控件');
  assert(shown.every((r) => r.text.indexOf('未知') < 0), 'no unknown codes');
  const summary = await f.textContent('#summary');
  assert(summary.indexOf('发现需要修复的项目') >= 0, 'summary: ' + summary);
  assert(await f.isVisible('#summary .action'), 'repair-all offered');
  fs.mkdirSync(ARTIFACTS, { recursive: true });
  await page.screenshot({ path: path.join(ARTIFACTS, 'detect_all.png') });
  // A second run starts empty; REPAIR0 closes it without a repair offer.
  await scriptRun(page, 'CB_DetectAll', 'frame_main', [['TITLE_KV', '1'], ['UKEY_KV1010', '1'], ['REPAIR0', '0']]);
  await page.click('#btnDetectAll');
  assertEqual((await rows(f)).map((r) => r.code), ['TITLE_KV', 'UKEY_KV1010']);
  assert((await f.textContent('#summary')).indexOf('已满足') >= 0);
  assertEqual(await f.isVisible('#summary .action'), false);
  assertEqual(page.errors, []);
  await page.close();
});

test('a run the host does not close is reported as incomplete', async () => {
  const page = await openPage();
  await scriptRun(page, 'CB_DetectAll', 'frame_main', [['TITLE_KV', '1']]);
  await page.click('#btnDetectAll');
  const summary = await frame(page, 'frame_main').textContent('#summary');
  assert(summary.indexOf('检测未完成') >= 0, summary);
  await page.close();
});

test('each section runs its own detection into its own frame', async () => {
  const page = await openPage();
  await page.evaluate(() => {
    window.__answers.CB_GetUkeyInfo = () => '["口令重试剩余次数:6", "证书有效日期:2025-1-1至2027-1-1"]';
    window.__answers.CB_GetSystemInfo = () => '["操作系统版本：Windows 7 6.1 (32位)", "浏览器版本：11.0"]';
  });
  const runs = [
    ['main1', 'frame_main1', 'CB_DetectUkey', [['TITLE_KV', '1'], ['UKEY_KV1020', '1'], ['UKEY_KV1010', '1'],
      ['UKEY_INFO', '1'], ['REPAIR0', '0']]],
    ['main2', 'frame_main2', 'CB_DetectControl', [['TITLE_CT', '1'], ['ENCKEY0', '1'], ['COM02', '1'], ['SIGN0', '1'],
      ['REPAIR0', '0']]],
    ['main3', 'frame_main3', 'CB_DetectIE', [['TITLE_RG', '1'], ['REG0', '1'], ['SYSTEM_INFO', '1'], ['TITLE_IE', '1'],
      ['SITE0', '1'], ['IELEVEL1', '1'], ['REPAIR1', '0']]],
  ];
  for (const [tab, name, host, series] of runs) {
    await scriptRun(page, host, name, series);
    await clearCalls(page);
    await page.click('#tab_' + tab);
    const f = frame(page, name);
    await f.click('#btnDetect');
    assertEqual((await calls(page))[0], { name: host, args: [] }, name);
    assertEqual((await rows(f)).map((r) => r.code), series.slice(0, -1).map((s) => s[0]), name);
  }
  // The information rows fetch their lines from the host after the run.
  const token = frame(page, 'frame_main1');
  await token.waitForFunction(() => document.querySelectorAll('li[data-code="UKEY_INFO"] .detail li').length === 2);
  assertEqual(await token.$$eval('li[data-code="UKEY_INFO"] .detail li', (l) => l.map((x) => x.textContent)),
    ['口令重试剩余次数:6', '证书有效日期:2025-1-1至2027-1-1']);
  const ie = frame(page, 'frame_main3');
  await ie.waitForFunction(() => document.querySelectorAll('li[data-code="SYSTEM_INFO"] .detail li').length === 2);
  assertEqual(page.errors, []);
  await page.close();
});

test('the repair buttons call the right host function with the right arguments', async () => {
  const page = await openPage();
  await scriptRun(page, 'CB_DetectAll', 'frame_main', DETECT_ALL_SERIES.concat([]).slice(0, -1)
    .concat([['IELEVEL1', '1'], ['COM02', '1'], ['UKEY_INFO', '1'], ['REPAIR1', '0']]));
  await page.click('#btnDetectAll');
  const f = frame(page, 'frame_main');
  const expected = {
    UKEY_KV1022: { name: 'CB_InstallDriver', args: [] },
    UKEY_KV1081: { name: 'CB_RepairUkey', args: ['UKEY_KV1081'] },
    IELEVEL0: { name: 'CB_SetIELevel', args: [0] },
    IELEVEL1: { name: 'CB_SetIELevel', args: [0] },
    ENCKEY2: { name: 'CB_RepairControl', args: ['PowerEnter.ocx'] },
    SIGN2: { name: 'CB_RepairControl', args: ['iesign.ocx'] },
    COM02: { name: 'CB_RepairControl', args: ['COM0'] },
    COM12: { name: 'CB_RepairControl', args: ['COM1'] },
    COM22: { name: 'CB_RepairControl', args: ['COM2'] },
    SITE10: { name: 'CB_RepairAll', args: [] },
    UKEY_INFO: { name: 'CB_ShowCert', args: [] },
  };
  let answer = 1;
  for (const code of Object.keys(expected)) {
    await page.evaluate((a) => {
      ['CB_InstallDriver', 'CB_RepairUkey', 'CB_SetIELevel', 'CB_RepairControl'].forEach((n) => {
        window.__answers[n] = a;
      });
      window.__answers.CB_RepairAll = 1;
    }, answer);
    await clearCalls(page);
    await f.click('li[data-code="' + code + '"] .action');
    const made = (await calls(page)).filter((c) => c.name !== 'CB_GetUkeyInfo');
    assertEqual(made[0], expected[code], code);
    if (code === 'SITE10') {
      assertEqual(made.length, 1, 'repair-all alone');
      // The host's detect-all after repair-all would now refill the frame; run the detection again.
      await page.click('#btnDetectAll');
      continue;
    }
    if (code !== 'UKEY_INFO') {
      const outcome = await f.textContent('li[data-code="' + code + '"] .outcome');
      assertEqual(outcome, answer === 1 ? '修复成功，请重新检测。' : '修复未成功，请重试或联系银行客服。', code);
    }
    answer = answer === 1 ? 0 : 1;
  }
  // The summary's repair-all.
  await clearCalls(page);
  await f.click('#summary .action');
  assertEqual((await calls(page)).map((c) => c.name), ['CB_RepairAll']);
  assertEqual(page.errors, []);
  await page.close();
});

test('repair-all from the top runs CB_RepairAll and shows the host\'s detect-all', async () => {
  const page = await openPage();
  await scriptRun(page, 'CB_RepairAll', 'frame_main', [['TITLE_KV', '1'], ['UKEY_KV1011', '1'], ['REPAIR1', '0']]);
  await page.click('#tab_main2');
  await clearCalls(page);
  await page.click('#btnRepairAll');
  assertEqual(await calls(page), [{ name: 'CB_RepairAll', args: [] }]);
  assertEqual(await page.isVisible('#pane_main'), true, 'the main tab is shown');
  assertEqual((await rows(frame(page, 'frame_main'))).map((r) => r.code), ['TITLE_KV', 'UKEY_KV1011']);
  // showMainPage, as the host's timer 8528 calls it: the main page and its repair-all flow.
  await clearCalls(page);
  await page.click('#tab_info');
  await page.evaluate(() => window.showMainPage());
  await page.waitForFunction(() => window.__calls.some((c) => c.name === 'CB_RepairAll'));
  assertEqual(await page.isVisible('#pane_main'), true);
  assertEqual(page.errors, []);
  await page.close();
});

test('the snapshot list shows addIELeaveLog rows and restores by time stamp', async () => {
  const page = await openPage();
  await page.evaluate(() => {
    window.__answers.CB_GetIEChanges = function () {
      const log = window.frames.frame_main4;
      log.addIELeaveLog('2026-12-11 9:03:07', '中');
      log.addIELeaveLog('2026-12-11 10:15:00', '自定义');
      return 1;
    };
    window.__answers.CB_RecoverIESettings = 0;
  });
  await clearCalls(page);
  await page.click('#tab_main4');
  assertEqual((await calls(page)).map((c) => c.name), ['CB_GetIEChanges']);
  const f = frame(page, 'frame_main4');
  assertEqual(await f.$$eval('#changeRows tr', (r) => r.map((x) => x.cells[0].textContent + '|' + x.cells[1].textContent)),
    ['2026-12-11 9:03:07|中', '2026-12-11 10:15:00|自定义']);
  await clearCalls(page);
  await f.click('#changeRows tr:nth-child(2) .action');
  assertEqual(await calls(page), [{ name: 'CB_RecoverIESettings', args: ['2026-12-11 10:15:00'] }]);
  assert((await f.textContent('#message')).indexOf('未能恢复2026-12-11 10:15:00前的设置') >= 0);
  // Listing again starts empty; an empty log says so.
  await page.evaluate(() => {
    window.__answers.CB_GetIEChanges = function () {
      window.frames.frame_main4.noneIELeaveLog();
      return 1;
    };
  });
  await f.click('#btnListChanges');
  assertEqual(await f.$$eval('#changeRows tr', (r) => r.length), 0);
  assertEqual(await f.isVisible('#noChanges'), true);
  await clearCalls(page);
  await f.click('#btnClearSsl');
  assertEqual(await calls(page), [{ name: 'CB_ClearSslStatus', args: [] }]);
  assertEqual(page.errors, []);
  await page.close();
});

test('token information, certificate, system information and the home page', async () => {
  const page = await openPage();
  await page.evaluate(() => {
    window.__answers.CB_GetUkeyInfo = '["口令重试剩余次数:0", "证书不存在！"]';
    window.__answers.CB_GetCertSubject = '';
    window.__answers.CB_GetSystemInfo = '["操作系统版本：", "浏览器版本："]';
    window.__answers.CB_GetVersion = (kind) => (kind === 'DRIVE' ? '4.1.2018.3111' : '');
    window.__answers.CB_ShowCert = 0;
  });
  await page.click('#tab_info');
  await clearCalls(page);
  await page.click('#btnUkeyInfo');
  await page.click('#btnShowCert');
  await page.click('#btnSystemInfo');
  await page.click('#btnHomePage');
  assertEqual(await calls(page), [
    { name: 'CB_GetUkeyInfo', args: [] }, { name: 'CB_GetCertSubject', args: [] }, { name: 'CB_ShowCert', args: [] },
    { name: 'CB_GetSystemInfo', args: [] }, { name: 'CB_GetVersion', args: ['DRIVE'] },
    { name: 'CB_GetVersion', args: ['SIGN'] }, { name: 'CB_GetVersion', args: ['ENCKEY'] },
    { name: 'CB_Close', args: [] },
  ]);
  assertEqual(await page.$$eval('#ukeyInfo li', (l) => l.map((x) => x.textContent)), ['口令重试剩余次数:0', '证书不存在！']);
  const sys = await page.$$eval('#systemInfo li', (l) => l.map((x) => x.textContent));
  assertEqual(sys, ['操作系统版本：', '浏览器版本：', 'USB Key驱动版本：4.1.2018.3111', '签名控件版本：未检测到',
    '密码输入控件版本：未检测到']);
  await page.screenshot({ path: path.join(ARTIFACTS, 'info.png') });
  assertEqual(page.errors, []);
  await page.close();
});

test('the scripts are plain ES5 (IE11 document mode: no modules, no fetch)', async () => {
  const problems = [];
  const files = [];
  (function walk(dir) {
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
      const p = path.join(dir, entry.name);
      if (entry.isDirectory()) walk(p);
      else if (/\.(js|htm)$/.test(entry.name)) files.push(p);
    }
  })(PAGES);
  const rules = [[/=>/, 'arrow function'], [/\b(let|const)\s/, 'let/const'], [/`/, 'template literal'],
    [/\bclass\s+\w+/, 'class'], [/\bfetch\s*\(/, 'fetch'], [/\bimport\s|\bexport\s|type="module"/, 'module'],
    [/\basync\s|\bawait\s/, 'async'], [/\.(classList|dataset)\b/, 'newer DOM API']];
  for (const file of files) {
    let text = fs.readFileSync(file, 'utf8');
    if (file.endsWith('.htm')) text = (text.match(/<script[^>]*>([\s\S]*?)<\/script>/g) || []).join('\n');
    text = text.replace(/\/\*[\s\S]*?\*\//g, '').replace(/^\s*\/\/.*$/gm, '');
    for (const [re, what] of rules) if (re.test(text)) problems.push(path.relative(PAGES, file) + ': ' + what);
  }
  assertEqual(problems, []);
});

async function main() {
  const server = await serve(PAGES);
  baseUrl = 'http://127.0.0.1:' + server.address().port;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quorvane-chromium-'));
  let passed = 0;
  let failed = 0;
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM,
      headless: true,
      args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
      viewport: { width: 738, height: 485 },
      timeout: 60000,
    });
    context.setDefaultTimeout(10000);
    await context.addInitScript(installStubHost, HOST_NAMES);
    for (const t of tests) {
      try {
        await t.fn();
        passed++;
        console.log('PASS ' + t.name);
      } catch (e) {
        failed++;
        console.log('FAIL ' + t.name + '\n     ' + String(e && e.stack ? e.stack : e).split('\n').slice(0, 4).join('\n     '));
      }
    }
  } catch (e) {
    failed++;
    console.log('FAIL the browser did not start: ' + e.message);
  } finally {
    if (context) await context.close().catch(() => {});
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log('artifacts: ' + ARTIFACTS);
  console.log(passed + ' passed, ' + failed + ' failed');
  process.exit(failed ? 1 : 0);
}

main();
