// The plan a person saves: the format of "dupscan-tidy plan --save", downloaded by the browser.

// A text as JSON spells it in ASCII, every other character as a lowercase \uXXXX escape (a
// lone surrogate as itself), as the program's own JSON writes it.
function jsonText(text) {
  let out = '"';
  for (let at = 0; at < text.length; at++) {
    const unit = text.charCodeAt(at);
    const character = text[at];
    if (character === '"' || character === '\\') {
      out += '\\' + character;
    } else if (unit < 0x20 || unit >= 0x7f) {
      out += '\\u' + hex(unit, 4);
    } else {
      out += character;
    }
  }
  return out + '"';
}

// The plan in the format of "dupscan-tidy plan --save": a line that says what the file is,
// then per group the kept file and each copy to act on, with the identity, size and time the
// check found, so apply acts only on files that are still those. Names of the kept file (hard
// links) are left out, and so is a group left with nothing to act on: acting on them frees
// nothing.
function planFile() {
  const action = byId('action').value;
  const lines = ['{"format":"dupscan-tidy plan","version":1,"report":' + jsonText(data.report) +
                 '}'];
  for (let g = 0; g < groupCount; g++) {
    const group = groups[g];
    const files = group[2];
    const links = group[3];
    const fileOf = (index) => (links && links[index * 2 + 1] >= 0 ? links[index * 2 + 1] : index);
    const step = (index, what) => '{"action":"' + what + '","path":' +
        jsonText(pathOf(g, index)) + ',"size":' + group[0] + ',"volume":' +
        jsonText(data.volumes[files[index * FIELDS + 4]]) + ',"index":' +
        jsonText(files[index * FIELDS + 3]) + ',"modified":' + jsonText(files[index * FIELDS + 2]) +
        '}';
    const copies = [];
    for (let index = 0; index < files.length / FIELDS; index++) {
      if (index !== kept[g] && fileOf(index) !== fileOf(kept[g])) {
        copies.push(step(index, action));
      }
    }
    if (copies.length > 0) {
      lines.push(step(kept[g], 'keep'), ...copies);
    }
  }
  return {name: 'duplicates.plan', bytes: lines.join('\n') + '\n'};
}

function savePlan() {
  const text = planFile();
  const blob = new Blob([text.bytes], {type: 'application/octet-stream'});
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = text.name;
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  byId('plan-note').textContent = 'Saved ' + text.name + ': ' + grouped(groupCount) +
      ' groups, ' + grouped(actedTotal) + ' copies to act on. Carry it out with ' +
      'dupscan-tidy apply --plan ' + text.name + ' --within DIR.';
}
