// The folders as a treemap sized by the bytes their copies would free; a folder chosen there
// narrows the list to its groups.

// Squarified layout: rows of cells laid along the shorter side, each row closed when one more
// cell would make its worst aspect ratio worse.
function squarify(values, x, y, width, height) {
  const total = values.reduce((sum, value) => sum + value, 0);
  const rects = [];
  if (total <= 0) {
    return rects;
  }
  const scale = (width * height) / total;
  const areas = values.map((value) => value * scale);
  let start = 0;
  while (start < areas.length) {
    const side = Math.min(width, height);
    let end = start + 1;
    let sum = areas[start];
    while (end < areas.length &&
           worst(areas, start, end + 1, sum + areas[end], side) <=
               worst(areas, start, end, sum, side)) {
      sum += areas[end];
      end++;
    }
    const thickness = sum / side;
    let along = 0;
    for (let index = start; index < end; index++) {
      const length = areas[index] / thickness;
      rects.push(width >= height ? [x, y + along, thickness, length]
                                 : [x + along, y, length, thickness]);
      along += length;
    }
    if (width >= height) {
      x += thickness;
      width -= thickness;
    } else {
      y += thickness;
      height -= thickness;
    }
    start = end;
  }
  return rects;
}
function worst(areas, start, end, sum, side) {
  const thickness = sum / side;
  let ratio = 0;
  for (let index = start; index < end; index++) {
    const length = areas[index] / thickness;
    ratio = Math.max(ratio, length / thickness, thickness / length);
  }
  return ratio;
}

const MAX_CELLS = 24;
let shownNode = -1;  // the treemap's folder
let chosenNode = -1; // the folder the list is narrowed to, -1 for all

function drawTreemap() {
  const map = byId('treemap');
  map.textContent = '';
  const node = nodes[shownNode];
  const children = node.children.filter((child) => nodes[child].bytes > 0)
                       .sort((a, b) => nodes[b].bytes - nodes[a].bytes);
  const childBytes = children.reduce((sum, child) => sum + nodes[child].bytes, 0);
  const cells = children.slice(0, MAX_CELLS).map((child) => ({node: child, bytes: nodes[child].bytes,
                                                             label: nodes[child].name}));
  const rest = children.slice(MAX_CELLS).reduce((sum, child) => sum + nodes[child].bytes, 0);
  if (rest > 0) {
    cells.push({node: -1, bytes: rest, label: (children.length - MAX_CELLS) + ' more folders'});
  }
  if (node.bytes - childBytes > 0) {
    cells.push({node: -1, bytes: node.bytes - childBytes, label: 'files in this folder'});
  }
  if (cells.length === 0) {
    const empty = document.createElement('p');
    empty.className = 'empty';
    empty.textContent = 'No copies here would free any bytes.';
    map.appendChild(empty);
    return;
  }
  const width = map.clientWidth;
  const height = map.clientHeight;
  const rects = squarify(cells.map((cell) => cell.bytes), 0, 0, width, height);
  cells.forEach((cell, index) => {
    const [left, top, cellWidth, cellHeight] = rects[index];
    const element = document.createElement(cell.node >= 0 ? 'button' : 'div');
    element.className = 'cell';
    if (cell.node >= 0) {
      element.type = 'button';
      element.dataset.node = String(cell.node);
      element.style.background = 'hsl(' + ((index * 47 + 210) % 360) + ' 45% 38%)';
      element.addEventListener('click', () => chooseFolder(cell.node));
    }
    element.style.left = left + 'px';
    element.style.top = top + 'px';
    element.style.width = Math.max(cellWidth, 0) + 'px';
    element.style.height = Math.max(cellHeight, 0) + 'px';
    const name = document.createElement('span');
    name.className = 'cell-name';
    name.textContent = shown(cell.label);
    const size = document.createElement('span');
    size.className = 'cell-size';
    size.textContent = humanSize(cell.bytes);
    element.append(name, size);
    element.title = shown(cell.label) + ': ' + humanSize(cell.bytes) + ' (' +
        grouped(cell.bytes) + ' bytes)';
    map.appendChild(element);
  });
}

function drawCrumbs() {
  const crumbs = byId('crumbs');
  crumbs.textContent = '';
  const chain = [];
  const top = topNode();
  for (let node = shownNode; node >= 0; node = nodes[node].parent) {
    chain.unshift(node);
    if (node === top) {
      break;
    }
  }
  chain.forEach((node, index) => {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = index === 0 ? 'All folders' : shown(nodes[node].name);
    if (node === shownNode) {
      button.setAttribute('aria-current', 'location');
    }
    button.addEventListener('click', () => chooseFolder(index === 0 ? -1 : node));
    crumbs.appendChild(button);
  });
}

function refreshFolders() {
  creditFolders();
  if (chosenNode < 0) {
    shownNode = topNode();
  }
  drawCrumbs();
  drawTreemap();
}

let folderTimer = 0;
function refreshFoldersSoon() {
  clearTimeout(folderTimer);
  folderTimer = setTimeout(refreshFolders, 150);
}

function chooseFolder(node) {
  chosenNode = node;
  shownNode = node < 0 ? topNode() : node;
  drawCrumbs();
  drawTreemap();
  filterList();
  const focusTarget = byId('crumbs').querySelector('[aria-current]');
  if (focusTarget) {
    focusTarget.focus();
  }
}
