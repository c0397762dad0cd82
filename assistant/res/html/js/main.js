/* The top page: tabs, the main actions, and the functions the host calls in the top document. */

var TABS = ['main', 'main1', 'main2', 'main3', 'main4', 'info'];

function frameWindow(name) {
  return window.frames[name];
}

function showTab(name) {
  for (var i = 0; i < TABS.length; i++) {
    var tab = byId('tab_' + TABS[i]);
    var pane = byId('pane_' + TABS[i]);
    var selected = TABS[i] === name;
    tab.className = selected ? 'selected' : '';
    pane.style.display = selected ? 'block' : 'none';
  }
  if (name === 'main4') {
    var log = frameWindow('frame_main4');
    if (log && log.listChanges) {
      log.listChanges();
    }
  }
}

/* CB_DetectAll into frame "frame_main". */
function detectAll() {
  showTab('main');
  var frame = frameWindow('frame_main');
  if (frame && frame.startDetection) {
    frame.startDetection();
  }
}

/* CB_RepairAll: repairs everything, then the host runs detect-all into "frame_main". */
function repairAll() {
  showTab('main');
  var frame = frameWindow('frame_main');
  if (frame && frame.beginRun) {
    frame.beginRun('正在修复，请稍候……');
  }
  callHost('CB_RepairAll');
  if (frame && frame.endRunIfOpen) {
    frame.endRunIfOpen();
  }
}

/* Called by the host (timer 8528, after a repair request from another program): the main page
   with its repair-all flow. */
function showMainPage() {
  showTab('main');
  later(repairAll);
}

function fillLines(listId, lines, emptyText) {
  var list = byId(listId);
  var html = '';
  for (var i = 0; i < lines.length; i++) {
    html += '<li>' + escapeHtml(lines[i]) + '</li>';
  }
  if (lines.length === 0) {
    html = '<li class="hint">' + escapeHtml(emptyText) + '</li>';
  }
  list.innerHTML = html;
}

function readUkeyInfo() {
  fillLines('ukeyInfo', parseLines(callHost('CB_GetUkeyInfo')), '未能读取USB Key信息。');
  var subject = callHost('CB_GetCertSubject');
  byId('certSubject').innerHTML = subject ? '证书持有人：' + escapeHtml(subject) : '';
}

function showCert() {
  callHost('CB_ShowCert');
}

function versionLine(label, kind) {
  var version = callHost('CB_GetVersion', kind);
  return label + (version ? version : '未检测到');
}

function readSystemInfo() {
  var lines = parseLines(callHost('CB_GetSystemInfo'));
  lines.push(versionLine('USB Key驱动版本：', 'DRIVE'));
  lines.push(versionLine('签名控件版本：', 'SIGN'));
  lines.push(versionLine('密码输入控件版本：', 'ENCKEY'));
  fillLines('systemInfo', lines, '');
}

/* CB_Close opens the bank's home page in the system browser; the assistant stays open. */
function openHomePage() {
  callHost('CB_Close');
}

function initMainPage() {
  if (!hasHost()) {
    byId('noHost').style.display = 'block';
  }
}
