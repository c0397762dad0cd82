/* The page's text for every result code of the detection runs.
   kind: title (section heading), ok, bad (needs repair), info (more lines follow), end (closing
   code of a run). action: what the item's button does (see result.js). */
var RESULT_TEXTS = {
  /* Closing codes of every run */
  REPAIR0: { kind: 'end', ok: true, text: '检测完成，您的电脑已满足网上银行的使用要求。' },
  REPAIR1: { kind: 'end', ok: false, text: '检测完成，发现需要修复的项目。请点击“一键修复”，或逐项修复。',
             action: 'repairAll', button: '一键修复' },

  /* USB Key */
  TITLE_KV: { kind: 'title', text: 'USB Key环境' },
  UKEY_KV1010: { kind: 'ok', text: '已检测到USB Key。' },
  UKEY_KV1011: { kind: 'bad', text: '未检测到USB Key，请插入您的USB Key后重新检测。' },
  UKEY_KV1020: { kind: 'ok', text: 'USB Key驱动程序已安装。' },
  UKEY_KV1022: { kind: 'bad', text: 'USB Key驱动程序未安装或不完整。', action: 'installDriver', button: '安装驱动' },
  UKEY_KV1080: { kind: 'ok', text: '银行根证书和中级证书已安装。' },
  UKEY_KV1081: { kind: 'bad', text: '银行根证书或中级证书缺失。', action: 'repairUkey', arg: 'UKEY_KV1081', button: '安装证书' },
  UKEY_INFO: { kind: 'info', text: 'USB Key信息：', detail: 'CB_GetUkeyInfo', action: 'showCert', button: '查看证书' },

  /* System and browser settings */
  TITLE_RG: { kind: 'title', text: '系统环境' },
  REG0: { kind: 'ok', text: '系统注册表检查正常。' },
  SYSTEM_INFO: { kind: 'info', text: '系统信息：', detail: 'CB_GetSystemInfo' },
  TITLE_IE: { kind: 'title', text: '浏览器设置' },
  SSL0: { kind: 'ok', text: '已清除浏览器的SSL状态。' },
  SITE0: { kind: 'ok', text: '银行网站已加入受信任的站点。' },
  SITE10: { kind: 'bad', text: '未能把银行网站加入受信任的站点。', action: 'repairAll', button: '一键修复' },
  IELEVEL0: { kind: 'bad', text: 'Internet区域的安全级别低于默认级别。', action: 'setLevel', button: '恢复默认级别' },
  IELEVEL1: { kind: 'bad', text: 'Internet区域的安全级别高于默认级别，部分网银功能可能无法使用。', action: 'setLevel', button: '恢复默认级别' },
  IELEVEL2: { kind: 'ok', text: 'Internet区域的安全级别为默认级别。' },

  /* Browser controls */
  TITLE_CT: { kind: 'title', text: '网银控件' },
  ENCKEY0: { kind: 'ok', text: '密码输入控件已安装。' },
  ENCKEY2: { kind: 'bad', text: '密码输入控件未安装。', action: 'repairControl', arg: 'PowerEnter.ocx', button: '安装控件' },
  SIGN0: { kind: 'ok', text: '签名控件已安装。' },
  SIGN2: { kind: 'bad', text: '签名控件未安装。', action: 'repairControl', arg: 'iesign.ocx', button: '安装控件' },
  COM00: { kind: 'ok', text: '网银辅助控件一已安装。' },
  COM02: { kind: 'bad', text: '网银辅助控件一未安装。', action: 'repairControl', arg: 'COM0', button: '安装控件' },
  COM10: { kind: 'ok', text: '网银辅助控件二已安装。' },
  COM12: { kind: 'bad', text: '网银辅助控件二未安装。', action: 'repairControl', arg: 'COM1', button: '安装控件' },
  COM20: { kind: 'ok', text: '网银辅助控件三已安装。' },
  COM22: { kind: 'bad', text: '网银辅助控件三未安装。', action: 'repairControl', arg: 'COM2', button: '安装控件' }
};

/* The entry of a code; an unknown code is shown as it stands. */
function resultEntry(code) {
  if (RESULT_TEXTS.hasOwnProperty(code)) {
    return RESULT_TEXTS[code];
  }
  return { kind: 'info', text: '未知的检测结果：' + code };
}
