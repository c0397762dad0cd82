/* Frame "frame_main4": the saved browser-settings snapshots. The host calls
   addIELeaveLog(time stamp, level name) for each snapshot, or noneIELeaveLog() when there is none. */

function clearRows() {
  byId('changeRows').innerHTML = '';
  byId('noChanges').style.display = 'none';
  byId('message').innerHTML = '';
}

function listChanges() {
  clearRows();
  callHost('CB_GetIEChanges');
}

function addIELeaveLog(timeStamp, levelName) {
  byId('noChanges').style.display = 'none';
  var row = document.createElement('tr');
  row.setAttribute('data-stamp', String(timeStamp));
  row.innerHTML = '<td>' + escapeHtml(timeStamp) + '</td><td>' + escapeHtml(levelName) +
      '</td><td><button type="button" class="action">恢复</button></td>';
  byId('changeRows').appendChild(row);
  row.getElementsByTagName('button')[0].onclick = function () {
    restoreChange(String(timeStamp));
  };
}

function noneIELeaveLog() {
  byId('changeRows').innerHTML = '';
  byId('noChanges').style.display = 'block';
}

/* The host asks for confirmation and reports a successful restore itself. */
function restoreChange(timeStamp) {
  var result = callHost('CB_RecoverIESettings', timeStamp);
  byId('message').innerHTML = isTrue(result) ? '' : escapeHtml('未能恢复' + timeStamp + '前的设置。');
}

function clearSsl() {
  var result = callHost('CB_ClearSslStatus');
  byId('message').innerHTML = isTrue(result) ? '已清除SSL状态。' : '未能清除SSL状态。';
}
