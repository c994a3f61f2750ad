// The groups as a list that makes only the rows on screen: a million files scroll as a
// hundred do.

const list = byId('list');
const spacer = byId('spacer');
const rowsBox = byId('rows');
let view = new Int32Array(0);         // the groups shown, in order
let filesBefore = new Float64Array(1); // files in the shown groups before each one
let totalHeight = 0;

function setView(shownGroups) {
  view = shownGroups;
  filesBefore = new Float64Array(view.length + 1);
  for (let index = 0; index < view.length; index++) {
    filesBefore[index + 1] = filesBefore[index] + groups[view[index]][2].length / FIELDS;
  }
  totalHeight = view.length * HEAD + filesBefore[view.length] * FILE;
  spacer.style.height = Math.min(totalHeight, MAX_SPACER) + 'px';
  for (const row of rendered.values()) {
    row.remove();
  }
  rendered.clear();
  list.scrollTop = 0;
  render();
  const filtered = view.length !== groupCount;
  byId('list-note').textContent = filtered
      ? grouped(view.length) + ' of ' + grouped(groupCount) + ' groups, those with a file in ' +
            shown(nodes[chosenNode].name)
      : grouped(groupCount) + ' groups';
  byId('show-all').hidden = !filtered;
}

function filterList() {
  if (chosenNode < 0) {
    setView(allGroups());
    return;
  }
  const inside = new Uint8Array(folders.length);
  for (let index = 0; index < folders.length; index++) {
    inside[index] = nodeUnder(folderNode[index], chosenNode) ? 1 : 0;
  }
  const shownGroups = [];
  for (let g = 0; g < groupCount; g++) {
    const files = groups[g][2];
    for (let at = 0; at < files.length; at += FIELDS) {
      if (inside[files[at]]) {
        shownGroups.push(g);
        break;
      }
    }
  }
  setView(Int32Array.from(shownGroups));
}

function allGroups() {
  const everyGroup = new Int32Array(groupCount);
  for (let g = 0; g < groupCount; g++) {
    everyGroup[g] = g;
  }
  return everyGroup;
}

function groupTop(position) {
  return position * HEAD + filesBefore[position] * FILE;
}

// The list's scroll position as a place in the whole list, and back.
function scale() {
  const spacerHeight = Math.min(totalHeight, MAX_SPACER);
  const room = spacerHeight - list.clientHeight;
  return totalHeight > MAX_SPACER && room > 0 ? (totalHeight - list.clientHeight) / room : 1;
}

// The shown group whose rows hold `offset`.
function positionAt(offset) {
  let low = 0;
  let high = view.length - 1;
  while (low < high) {
    const middle = (low + high + 1) >> 1;
    if (groupTop(middle) <= offset) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

const rendered = new Map();  // key ("g" or "g:i") to its row element

function render() {
  if (view.length === 0) {
    for (const row of rendered.values()) {
      row.remove();
    }
    rendered.clear();
    return;
  }
  const viewTop = list.scrollTop * scale();
  const from = Math.max(0, viewTop - OVERSCAN);
  const to = viewTop + list.clientHeight + OVERSCAN;
  const wanted = [];
  for (let position = positionAt(from); position < view.length; position++) {
    const top = groupTop(position);
    if (top > to) {
      break;
    }
    const g = view[position];
    if (top + HEAD >= from) {
      wanted.push({key: String(g), g, index: -1, top});
    }
    const count = groups[g][2].length / FIELDS;
    const firstFile = Math.max(0, Math.floor((from - top - HEAD) / FILE));
    for (let index = firstFile; index < count; index++) {
      const fileTop = top + HEAD + index * FILE;
      if (fileTop > to) {
        break;
      }
      wanted.push({key: g + ':' + index, g, index, top: fileTop});
    }
  }
  placeRows(wanted, viewTop);
}

// Keeps the rows still wanted (a row with the focus keeps it), makes the new ones in order.
function placeRows(wanted, viewTop) {
  const keys = new Set(wanted.map((row) => row.key));
  for (const [key, row] of rendered) {
    if (!keys.has(key)) {
      row.remove();
      rendered.delete(key);
    }
  }
  const anchor = wanted.length ? wanted[0].top : 0;
  rowsBox.style.top = (list.scrollTop + anchor - viewTop) + 'px';
  let next = null;
  for (let at = wanted.length - 1; at >= 0; at--) {
    const want = wanted[at];
    let row = rendered.get(want.key);
    if (!row) {
      row = want.index < 0 ? makeHead(want.g) : makeFile(want.g, want.index);
      rowsBox.insertBefore(row, next);
      rendered.set(want.key, row);
    }
    row.style.top = (want.top - anchor) + 'px';
    next = row;
  }
}

function headText(g) {
  const group = groups[g];
  const count = group[2].length / FIELDS;
  return count + ' files of ' + humanSize(group[0]) +
      (group[0] >= 1024 ? ' (' + grouped(group[0]) + ' bytes)' : '');
}

function makeHead(g) {
  const row = document.createElement('div');
  row.className = 'row group-head';
  row.style.height = HEAD + 'px';
  row.dataset.group = String(g);
  const rank = document.createElement('span');
  rank.className = 'rank';
  rank.textContent = '#' + grouped(g + 1);
  const what = document.createElement('strong');
  what.className = 'what';
  what.textContent = headText(g);
  const frees = document.createElement('span');
  frees.className = 'frees';
  frees.textContent = 'frees ' + humanSize(freedNow[g]);
  row.append(rank, what, frees);
  return row;
}

function makeFile(g, index) {
  const files = groups[g][2];
  const name = files[index * FIELDS + 1];
  const folder = folders[files[index * FIELDS]][0];
  const row = document.createElement('label');
  row.className = 'row file' + (kept[g] === index ? ' is-kept' : '');
  row.style.height = FILE + 'px';
  row.dataset.group = String(g);
  row.dataset.file = String(index);
  row.title = shown(folder + name);
  const radio = document.createElement('input');
  radio.type = 'radio';
  radio.name = 'keep-' + g;
  radio.checked = kept[g] === index;
  radio.setAttribute('aria-label', 'Keep ' + shown(folder + name));
  const text = document.createElement('span');
  text.className = 'text';
  const nameLine = document.createElement('span');
  nameLine.className = 'name';
  nameLine.textContent = shown(name);
  const whereLine = document.createElement('span');
  whereLine.className = 'where';
  whereLine.textContent = (folder === '' ? '.' : shown(folder)) + ' \u00b7 ' +
      timeText(files[index * FIELDS + 2]);
  text.append(nameLine, whereLine);
  const badge = document.createElement('span');
  badge.className = kept[g] === index ? 'badge' : 'badge copy';
  badge.textContent = kept[g] === index ? 'kept' : 'copy';
  row.append(radio, makeThumb(folder + name, name), text, badge);
  return row;
}

// An image's thumbnail, read from the file itself when it is on screen; any other file, or an
// image that cannot be read, shows its kind.
function makeThumb(path, name) {
  const thumb = document.createElement('span');
  thumb.className = 'thumb';
  const type = extension(name);
  const kind = () => {
    thumb.textContent = type ? type.slice(0, 4).toUpperCase() : 'FILE';
    thumb.title = kinds[type] || (type ? type.toUpperCase() + ' file' : 'File');
  };
  const address = imageTypes.has(type) ? fileAddress(path) : null;
  if (address === null) {
    kind();
    return thumb;
  }
  const image = document.createElement('img');
  image.alt = '';
  image.loading = 'lazy';
  image.decoding = 'async';
  image.addEventListener('error', () => {
    image.remove();
    kind();
  });
  image.src = address;
  thumb.appendChild(image);
  return thumb;
}
