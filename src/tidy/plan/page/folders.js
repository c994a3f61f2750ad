// What each choice frees, in the totals and by folder: the folder tree of the data's paths.

// The bytes freed and the files acted on when group `g` keeps member `keep`: a file's bytes go
// only with its last name, so a file with names outside the group frees nothing, and names of
// the kept file are left.
function outcome(g, keep) {
  const group = groups[g];
  const size = group[0];
  const count = group[2].length / FIELDS;
  const links = group[3];
  if (!links) {
    return {freed: (count - 1) * size, acted: count - 1};
  }
  const root = (index) => (links[index * 2 + 1] < 0 ? index : links[index * 2 + 1]);
  const keptRoot = root(keep);
  const names = new Map();
  let acted = 0;
  for (let index = 0; index < count; index++) {
    const file = root(index);
    if (file === keptRoot) {
      continue;
    }
    acted++;
    names.set(file, (names.get(file) || 0) + 1);
  }
  let freed = 0;
  for (const [file, seen] of names) {
    let most = 0;
    for (let index = 0; index < count; index++) {
      if (root(index) === file) {
        most = Math.max(most, links[index * 2]);
      }
    }
    if (seen === most) {
      freed += size;
    }
  }
  return {freed, acted};
}

const freedNow = new Float64Array(groupCount);
let freedTotal = 0;
let actedTotal = 0;
let fileTotal = 0;
function countAll() {
  freedTotal = 0;
  actedTotal = 0;
  fileTotal = 0;
  for (let g = 0; g < groupCount; g++) {
    const result = outcome(g, kept[g]);
    freedNow[g] = result.freed;
    freedTotal += result.freed;
    actedTotal += result.acted;
    fileTotal += groups[g][2].length / FIELDS;
  }
}

function showTotals() {
  byId('freed-size').textContent = humanSize(freedTotal);
  byId('freed-bytes').textContent = grouped(freedTotal) + ' bytes';
  byId('group-count').textContent = grouped(groupCount);
  byId('file-count').textContent = grouped(fileTotal);
  byId('acted-count').textContent = grouped(actedTotal);
}

// ---- Folders ----

// The folder tree of every path's folder, a chain of folders with one child and no files of
// their own folded into one node ("home/me/Pictures").
const nodes = [{name: '', parent: -1, children: [], bytes: 0, own: false}];
const folderNode = new Int32Array(folders.length);
function buildFolderTree() {
  const childNamed = [new Map()];
  folders.forEach(([text], index) => {
    let node = 0;
    let parts = text.split(separators).filter((part) => part !== '');
    if (!windows && text.startsWith('/')) {
      parts = ['/'].concat(parts);
    } else if (parts.length === 0) {
      parts = ['.'];
    }
    for (const part of parts) {
      let child = childNamed[node].get(part);
      if (child === undefined) {
        child = nodes.length;
        nodes.push({name: part, parent: node, children: [], bytes: 0, own: false});
        childNamed.push(new Map());
        childNamed[node].set(part, child);
        nodes[node].children.push(child);
      }
      node = child;
    }
    nodes[node].own = true;
    folderNode[index] = node;
  });
  const separator = windows ? '\\' : '/';
  const foldedInto = new Int32Array(nodes.length).fill(-1);
  // From the last node up, so a chain folds from its bottom into its top.
  for (let node = nodes.length - 1; node > 0; node--) {
    const only = nodes[node].children;
    if (only.length === 1 && !nodes[node].own) {
      const child = nodes[only[0]];
      const joiner = nodes[node].name.endsWith(separator) ? '' : separator;
      nodes[node].name += joiner + child.name;
      nodes[node].children = child.children;
      nodes[node].own = child.own;
      for (const grandchild of child.children) {
        nodes[grandchild].parent = node;
      }
      foldedInto[only[0]] = node;
      child.parent = -1;
      child.children = [];
    }
  }
  for (let index = 0; index < folders.length; index++) {
    while (foldedInto[folderNode[index]] >= 0) {
      folderNode[index] = foldedInto[folderNode[index]];
    }
  }
}

// Bytes the copies would free, by folder: each freed file counts in the folder of its first
// copy, then in every folder above.
function creditFolders() {
  for (const node of nodes) {
    node.bytes = 0;
  }
  for (let g = 0; g < groupCount; g++) {
    const group = groups[g];
    const files = group[2];
    const count = files.length / FIELDS;
    const links = group[3];
    if (!links) {
      for (let index = 0; index < count; index++) {
        if (index !== kept[g]) {
          nodes[folderNode[files[index * FIELDS]]].bytes += group[0];
        }
      }
      continue;
    }
    creditLinkedGroup(g);
  }
  for (let node = nodes.length - 1; node > 0; node--) {
    if (nodes[node].parent >= 0) {
      nodes[nodes[node].parent].bytes += nodes[node].bytes;
    }
  }
}
function creditLinkedGroup(g) {
  const group = groups[g];
  const files = group[2];
  const links = group[3];
  const count = files.length / FIELDS;
  const root = (index) => (links[index * 2 + 1] < 0 ? index : links[index * 2 + 1]);
  const keptRoot = root(kept[g]);
  const seen = new Map();
  const most = new Map();
  const first = new Map();
  for (let index = 0; index < count; index++) {
    const file = root(index);
    most.set(file, Math.max(most.get(file) || 0, links[index * 2]));
    if (file !== keptRoot) {
      seen.set(file, (seen.get(file) || 0) + 1);
      if (!first.has(file)) {
        first.set(file, index);
      }
    }
  }
  for (const [file, names] of seen) {
    if (names === most.get(file)) {
      nodes[folderNode[files[first.get(file) * FIELDS]]].bytes += group[0];
    }
  }
}

// Whether folder node `node` is `top` or below it.
function nodeUnder(node, top) {
  for (let at = node; at >= 0; at = nodes[at].parent) {
    if (at === top) {
      return true;
    }
  }
  return false;
}

// Where the treemap starts: the first folder whose copies are not all in one subfolder.
function topNode() {
  let node = 0;
  for (;;) {
    const holding = nodes[node].children.filter((child) => nodes[child].bytes > 0);
    if (holding.length !== 1 || nodes[holding[0]].bytes !== nodes[node].bytes) {
      return node;
    }
    node = holding[0];
  }
}
