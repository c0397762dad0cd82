/* A detection-run frame ("frame_main" to "frame_main3"): the host reports each finding with
   addResult(code, "1") and ends the run with addResult("REPAIR0" or "REPAIR1", "0"). */

var RUNS = {
  frame_main: { title: '综合检测', host: 'CB_DetectAll' },
  frame_main1: { title: 'USB Key检测', host: 'CB_DetectUkey' },
  frame_main2: { title: '网银控件检测', host: 'CB_DetectControl' },
  frame_main3: { title: '浏览器设置检测', host: 'CB_DetectIE' }
};

var runOpen = false;
var rowCount = 0;

function frameRun() {
  return RUNS[window.name] || RUNS.frame_main;
}

function initResultFrame() {
  byId('runTitle').innerHTML = escapeHtml(frameRun().title);
}

/* Empties the frame for a new run; hint: the text shown until the first result. */
function beginRun(hint) {
  runOpen = true;
  rowCount = 0;
  byId('results').innerHTML = '<li class="hint" id="hint">' + escapeHtml(hint || '正在检测，请稍候……') + '</li>';
  var summary = byId('summary');
  summary.style.display = 'none';
  summary.innerHTML = '';
}

/* After the host returned: a run it did not close is reported as incomplete. */
function endRunIfOpen() {
  if (!runOpen) {
    return;
  }
  runOpen = false;
  var hint = byId('hint');
  if (hint) {
    hint.parentNode.removeChild(hint);
  }
  showSummary(false, hasHost() ? '检测未完成，请重新检测。' : '本页面需要在网银助手中打开。', null);
}

function startDetection() {
  beginRun();
  callHost(frameRun().host);
  endRunIfOpen();
}

function addResult(code, status) {
  code = String(code);
  if (!runOpen) {
    beginRun();  /* a run the host started by itself (repair-all, a request of another program) */
  }
  if (String(status) === '0') {
    closeRun(code);
    return;
  }
  appendRow(code);
}

function appendRow(code) {
  var hint = byId('hint');
  if (hint) {
    hint.parentNode.removeChild(hint);
  }
  var entry = resultEntry(code);
  var row = document.createElement('li');
  row.className = 'row ' + entry.kind;
  row.setAttribute('data-code', code);
  var html = '<span class="mark"></span><span class="text">' + escapeHtml(entry.text) + '</span>';
  if (entry.action) {
    html += '<button type="button" class="action">' + escapeHtml(entry.button) + '</button>';
  }
  html += '<span class="outcome"></span>';
  if (entry.detail) {
    html += '<ul class="detail"></ul>';
  }
  row.innerHTML = html;
  byId('results').appendChild(row);
  rowCount++;
  if (entry.action) {
    bindAction(row, entry);
  }
  if (entry.detail) {
    later(function () {
      fillDetail(row, entry.detail);
    });
  }
}

function firstByClass(parent, className) {
  var nodes = parent.getElementsByTagName('*');
  for (var i = 0; i < nodes.length; i++) {
    if ((' ' + nodes[i].className + ' ').indexOf(' ' + className + ' ') >= 0) {
      return nodes[i];
    }
  }
  return null;
}

function fillDetail(row, hostFunction) {
  var lines = parseLines(callHost(hostFunction));
  var html = '';
  for (var i = 0; i < lines.length; i++) {
    html += '<li>' + escapeHtml(lines[i]) + '</li>';
  }
  firstByClass(row, 'detail').innerHTML = html;
}

function bindAction(row, entry) {
  var button = firstByClass(row, 'action');
  button.onclick = function () {
    runAction(row, entry);
  };
}

/* The item's repair: true results are the value 1. */
function runAction(row, entry) {
  var result;
  switch (entry.action) {
    case 'installDriver':
      result = callHost('CB_InstallDriver');
      break;
    case 'repairUkey':
      result = callHost('CB_RepairUkey', entry.arg);
      break;
    case 'setLevel':
      result = callHost('CB_SetIELevel', 0);
      break;
    case 'repairControl':
      result = callHost('CB_RepairControl', entry.arg);
      break;
    case 'showCert':
      callHost('CB_ShowCert');
      return;
    case 'repairAll':
      window.top.repairAll();
      return;
    default:
      return;
  }
  var outcome = firstByClass(row, 'outcome');
  if (isTrue(result)) {
    outcome.className = 'outcome done';
    outcome.innerHTML = '修复成功，请重新检测。';
  } else {
    outcome.className = 'outcome failed';
    outcome.innerHTML = '修复未成功，请重试或联系银行客服。';
  }
}

function closeRun(code) {
  runOpen = false;
  var hint = byId('hint');
  if (hint) {
    hint.parentNode.removeChild(hint);
  }
  var entry = resultEntry(code);
  showSummary(entry.ok === true, entry.text, entry.action ? entry : null);
}

function showSummary(ok, text, entry) {
  var summary = byId('summary');
  summary.className = 'summary ' + (ok ? 'ok' : 'bad');
  var html = '<span class="text">' + escapeHtml(text) + '</span>';
  if (entry) {
    html += '<button type="button" class="action">' + escapeHtml(entry.button) + '</button>';
  }
  summary.innerHTML = html;
  summary.style.display = 'block';
  if (entry) {
    firstByClass(summary, 'action').onclick = function () {
      window.top.repairAll();
    };
  }
}
