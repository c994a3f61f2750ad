// The page of duplicates: reads the data dupscan-tidy wrote into the page, shows the overview,
// the folders as a treemap and the groups as a list that renders only the rows on screen, lets a
// person choose the file each group keeps, and saves those choices as a plan. It changes no file
// and opens no connection: every text goes into the page as text, never as markup.
//
// The page's start: the totals and the first rows first, the folders once those are on screen.

function start() {
  document.title = 'Duplicates in ' + shown(data.report);
  byId('source').textContent = shown(data.report) + ', checked against the disk';
  if (data.unresolved > 0 || data.leftOut > 0) {
    const note = byId('unresolved-note');
    note.hidden = false;
    note.textContent = 'Not shown, and in no plan: ' + counted(data.unresolved, 'group') +
        ' the disk no longer matches (unresolved), ' + counted(data.leftOut, 'group') +
        ' left out. dupscan-tidy summary lists them.';
  }
  countAll();
  showTotals();
  setUpRules();
  setView(allGroups());
  list.addEventListener('scroll', render, {passive: true});
  rowsBox.addEventListener('change', (event) => {
    const row = event.target.closest('.file');
    keep(Number(row.dataset.group), Number(row.dataset.file), true);
  });
  rowsBox.addEventListener('keydown', onListKey);
  byId('save-plan').addEventListener('click', savePlan);
  byId('show-all').addEventListener('click', () => chooseFolder(-1));
  window.addEventListener('resize', () => {
    render();
    drawTreemap();
  });
  document.documentElement.dataset.firstGroupsMs = String(Math.round(performance.now()));
  // The folders after the first rows are on screen: a large report's tree takes a moment.
  setTimeout(() => {
    buildFolderTree();
    refreshFolders();
    document.documentElement.dataset.ready = 'yes';
  }, 0);
}
