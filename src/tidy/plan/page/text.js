// The page's data and the text it shows: numbers, sizes, times, names that are no text as
// escapes, and the addresses of the files for thumbnails.

// The data: every path is the text of a folder (exactly as it stands before the name in the
// report) and a name. A byte of a POSIX name that is not UTF-8 is a lone U+DC80 to U+DCFF.
const data = JSON.parse(document.getElementById('page-data').textContent);
const windows = data.system === 'windows';
const folders = data.folders;  // [text, depth]
// [size, kept, [folder, name, modified ns, index, volume, ...], [links, sameAs, ...]?]
const groups = data.groups;
const groupCount = groups.length;
const FIELDS = 5;

// Row heights in CSS pixels: the list places every row by them.
const HEAD = 46;
const FILE = 56;
const OVERSCAN = 6 * FILE;
// Browsers cap an element's height (Chromium near 33.5 million pixels, Firefox near 17.9
// million); past this the scroll position is scaled onto the list.
const MAX_SPACER = 8000000;

const byId = (id) => document.getElementById(id);
const kept = new Int32Array(groupCount);
const byHand = new Uint8Array(groupCount);
for (let g = 0; g < groupCount; g++) {
  kept[g] = groups[g][1];
}

function grouped(number) {
  return String(number).replace(/\B(?=(\d{3})+(?!\d))/g, ',');
}

function counted(number, thing) {
  return grouped(number) + ' ' + thing + (number === 1 ? '' : 's');
}

function humanSize(bytes) {
  const units = [['GB', 1073741824], ['MB', 1048576], ['KB', 1024]];
  for (const [unit, scale] of units) {
    if (bytes >= scale) {
      return (bytes / scale).toFixed(2) + ' ' + unit;
    }
  }
  return grouped(bytes) + ' bytes';
}

function hex(value, width) {
  return value.toString(16).padStart(width, '0');
}

// A name as a person can read it: control characters and bytes that are no text shown as
// escapes, so two names that differ there never look alike.
const oddCharacter = new RegExp(
    '[\\u0000-\\u001f\\u007f]|[\\ud800-\\udbff](?![\\udc00-\\udfff])|' +
    '(?<![\\ud800-\\udbff])[\\udc00-\\udfff]', 'g');
const controlNames = {'\n': '\\n', '\t': '\\t', '\r': '\\r'};
function shown(text) {
  return text.replace(oddCharacter, (odd) => {
    const unit = odd.charCodeAt(0);
    if (controlNames[odd]) {
      return controlNames[odd];
    }
    if (unit < 0xd800) {
      return '\\x' + hex(unit, 2);
    }
    return !windows && unit >= 0xdc80 && unit <= 0xdcff ? '\\x' + hex(unit - 0xdc00, 2)
                                                        : '\\u{' + hex(unit, 4) + '}';
  });
}

function timeText(nanoseconds) {
  const time = new Date(Number(nanoseconds) / 1e6);
  const two = (value) => String(value).padStart(2, '0');
  return time.getFullYear() + '-' + two(time.getMonth() + 1) + '-' + two(time.getDate()) + ' ' +
      two(time.getHours()) + ':' + two(time.getMinutes());
}

const imageTypes = new Set(['jpg', 'jpeg', 'png', 'gif', 'webp']);
const kinds = {
  pdf: 'PDF document', doc: 'Document', docx: 'Document', odt: 'Document', txt: 'Text',
  md: 'Text', csv: 'Table', xls: 'Table', xlsx: 'Table', ods: 'Table', mp3: 'Audio',
  flac: 'Audio', ogg: 'Audio', wav: 'Audio', m4a: 'Audio', mp4: 'Video', mkv: 'Video',
  mov: 'Video', avi: 'Video', webm: 'Video', zip: 'Archive', gz: 'Archive', xz: 'Archive',
  tar: 'Archive', '7z': 'Archive', iso: 'Disk image', img: 'Disk image', qcow2: 'Disk image',
  vdi: 'Disk image', exe: 'Program', msi: 'Installer', deb: 'Package', heic: 'Photo',
  raw: 'Photo', cr2: 'Photo', nef: 'Photo', tif: 'Image', tiff: 'Image', bmp: 'Image',
  svg: 'Drawing',
};
function extension(name) {
  const dot = name.lastIndexOf('.');
  return dot > 0 ? name.slice(dot + 1).toLowerCase() : '';
}

// ---- Paths and addresses ----

const separators = windows ? /[\\/]+/ : /\/+/;

function pathOf(g, index) {
  const files = groups[g][2];
  return folders[files[index * FIELDS]][0] + files[index * FIELDS + 1];
}

// One part of a path as it goes into an address: a byte that is no text as its %XX; null when
// the part has no address (a lone surrogate of a Windows name).
function addressPart(part) {
  let out = '';
  for (const character of part) {
    const point = character.codePointAt(0);
    if (point >= 0xd800 && point <= 0xdfff) {
      if (windows || point < 0xdc80 || point > 0xdcff) {
        return null;
      }
      out += '%' + hex(point - 0xdc00, 2).toUpperCase();
    } else {
      out += encodeURIComponent(character);
    }
  }
  return out;
}

// The working folder's address from the page's folder: its path's parts, each encoded.
const baseAddress = (() => {
  if (data.base === null) {
    return null;
  }
  const parts = data.base.split('/').filter((part) => part !== '').map(addressPart);
  return parts.includes(null) ? null : parts.map((part) => part + '/').join('');
})();

// The address of a file, relative to the page where the path is relative, so the page finds
// the files from where it was written; null when a path has none.
function fileAddress(path) {
  let start = baseAddress;
  let rest = path;
  const drive = /^(?:\\\\\?\\)?([A-Za-z]):[\\/]/;
  if (windows && drive.test(rest)) {
    const match = drive.exec(rest);
    start = 'file:///' + match[1] + ':/';
    rest = rest.slice(match[0].length);
  } else if (windows && /^(?:\\\\\?\\UNC\\|\\\\)/.test(rest)) {
    start = 'file://';
    rest = rest.replace(/^(?:\\\\\?\\UNC\\|\\\\)/, '');
  } else if (!windows && rest.startsWith('/')) {
    start = 'file:///';
  }
  if (start === null) {
    return null;
  }
  const parts = rest.split(separators).filter((part) => part !== '');
  const encoded = parts.map(addressPart);
  return encoded.includes(null) ? null : start + encoded.join('/');
}
