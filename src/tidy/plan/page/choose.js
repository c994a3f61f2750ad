// Choosing the kept file: by hand in a group, with the keyboard, or by rules for every group.

function keep(g, index, byPerson) {
  if (kept[g] === index) {
    return;
  }
  const before = outcome(g, kept[g]);
  const after = outcome(g, index);
  freedTotal += after.freed - before.freed;
  actedTotal += after.acted - before.acted;
  freedNow[g] = after.freed;
  kept[g] = index;
  byHand[g] = byPerson ? 1 : 0;
  refreshGroupRows(g);
  showTotals();
  refreshFoldersSoon();
}

function refreshGroupRows(g) {
  for (const [key, row] of rendered) {
    if (row.dataset.group !== String(g)) {
      continue;
    }
    if (key.indexOf(':') < 0) {
      row.querySelector('.frees').textContent = 'frees ' + humanSize(freedNow[g]);
      continue;
    }
    const isKept = Number(row.dataset.file) === kept[g];
    row.classList.toggle('is-kept', isKept);
    row.querySelector('input').checked = isKept;
    const badge = row.querySelector('.badge');
    badge.className = isKept ? 'badge' : 'badge copy';
    badge.textContent = isKept ? 'kept' : 'copy';
  }
}

// Brings a file's row on screen and gives it the focus.
function focusFile(g, index) {
  const position = view.indexOf(g);
  if (position < 0) {
    return;
  }
  const top = groupTop(position) + HEAD + index * FILE;
  const viewTop = list.scrollTop * scale();
  if (top < viewTop || top + FILE > viewTop + list.clientHeight) {
    const wantedTop = Math.max(0, top - (index === 0 ? HEAD : 0) - FILE);
    list.scrollTop = wantedTop / scale();
  }
  render();
  const row = rendered.get(g + ':' + index);
  if (row) {
    row.querySelector('input').focus({preventScroll: true});
  }
}

// Arrows move within a group and Tab from group to group, past the rows on screen too.
function onListKey(event) {
  const input = event.target;
  if (!(input instanceof HTMLInputElement)) {
    return;
  }
  const row = input.closest('.file');
  const g = Number(row.dataset.group);
  const index = Number(row.dataset.file);
  const count = groups[g][2].length / FIELDS;
  let target = -1;
  if (event.key === 'ArrowDown' || event.key === 'ArrowRight') {
    target = Math.min(index + 1, count - 1);
  } else if (event.key === 'ArrowUp' || event.key === 'ArrowLeft') {
    target = Math.max(index - 1, 0);
  }
  if (target >= 0) {
    event.preventDefault();
    keep(g, target, true);
    focusFile(g, target);
    return;
  }
  if (event.key === 'Tab') {
    const position = view.indexOf(g) + (event.shiftKey ? -1 : 1);
    if (position >= 0 && position < view.length) {
      event.preventDefault();
      focusFile(view[position], kept[view[position]]);
    }
  }
}

// ---- Rules ----

const ruleNames = [
  ['oldest', 'oldest modification time'], ['newest', 'newest modification time'],
  ['shortest', 'shortest path'], ['deepest', 'deepest folder'], ['first', 'first in the report'],
  ['under', 'in the folder chosen above'], ['', '(none)'],
];
const defaultRules = data.rules.concat(['', '', '']).slice(0, 3);
// The program's own defaults, which follow the rules chosen and break the ties they leave, as
// they follow --keep: the page's plan is then plan --save's for the same rules.
const tieBreakers = ['oldest', 'shortest', 'first'];

// Path length in the units the system counts: bytes of POSIX paths, UTF-16 units on Windows.
function pathLength(path) {
  if (windows) {
    return path.length;
  }
  let bytes = 0;
  for (const character of path) {
    const point = character.codePointAt(0);
    bytes += point < 0x80 ? 1 : point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    if (point >= 0xdc80 && point <= 0xdcff) {
      bytes -= 2;  // one byte that is no text
    }
  }
  return bytes;
}

// Two whole numbers written in decimal digits, compared without losing a digit.
function compareDigits(a, b) {
  const negativeA = a[0] === '-';
  if (negativeA !== (b[0] === '-')) {
    return negativeA ? -1 : 1;
  }
  const order = a.length !== b.length ? a.length - b.length : (a < b ? -1 : a > b ? 1 : 0);
  return negativeA ? -order : order;
}

// Below zero when member `a` is the better one to keep, as the program's own rules decide.
function compareBy(rule, g, a, b) {
  const files = groups[g][2];
  const value = (index, field) => files[index * FIELDS + field];
  switch (rule) {
    case 'oldest':
      return compareDigits(value(a, 2), value(b, 2));
    case 'newest':
      return compareDigits(value(b, 2), value(a, 2));
    case 'shortest':
      return pathLength(pathOf(g, a)) - pathLength(pathOf(g, b));
    case 'deepest':
      return folders[value(b, 0)][1] - folders[value(a, 0)][1];
    case 'under': {
      const inside = (index) => (chosenNode >= 0 &&
                                 nodeUnder(folderNode[value(index, 0)], chosenNode) ? 0 : 1);
      return inside(a) - inside(b);
    }
    case 'first':
      return a - b;
    default:
      return 0;
  }
}

function keptByRules(g, rules) {
  let best = 0;
  const count = groups[g][2].length / FIELDS;
  for (let index = 1; index < count; index++) {
    let order = 0;
    for (const rule of rules) {
      order = compareBy(rule, g, index, best);
      if (order !== 0) {
        break;
      }
    }
    if (order < 0) {
      best = index;
    }
  }
  return best;
}

function currentRules() {
  const chosen =
      [1, 2, 3].map((number) => byId('rule-' + number).value).filter((rule) => rule !== '');
  return chosen.concat(tieBreakers.filter((rule) => !chosen.includes(rule)));
}

function applyRules() {
  const rules = currentRules();
  let replaced = 0;
  let changed = 0;
  for (let g = 0; g < groupCount; g++) {
    const index = keptByRules(g, rules);
    replaced += byHand[g];
    byHand[g] = 0;
    if (index !== kept[g]) {
      kept[g] = index;
      changed++;
    }
  }
  countAll();
  showTotals();
  for (const [key, row] of rendered) {
    if (key.indexOf(':') < 0) {
      row.querySelector('.frees').textContent = 'frees ' + humanSize(freedNow[Number(key)]);
    }
  }
  for (let position = 0; position < view.length; position++) {
    refreshGroupRowsIfShown(view[position]);
  }
  refreshFolders();
  byId('choice-note').textContent = 'Every group keeps by ' + rules.join(', then ') + ': ' +
      grouped(changed) + ' groups changed' +
      (replaced ? ', ' + grouped(replaced) + ' choices of yours replaced.' : '.');
}

function refreshGroupRowsIfShown(g) {
  if (rendered.has(String(g)) || rendered.has(g + ':0') || rendered.size < 200) {
    refreshGroupRows(g);
  }
}

function setUpRules() {
  [1, 2, 3].forEach((number) => {
    const select = byId('rule-' + number);
    for (const [value, label] of ruleNames) {
      if (number === 1 && value === '') {
        continue;
      }
      const option = document.createElement('option');
      option.value = value;
      option.textContent = label;
      select.appendChild(option);
    }
    select.value = defaultRules[number - 1];
  });
  byId('apply-rules').addEventListener('click', applyRules);
}
