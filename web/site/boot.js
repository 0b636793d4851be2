// A classic script, so it runs even where module scripts cannot: opened straight from disk
// (file://) browsers refuse the page's modules and its WebAssembly, and the page says so
// instead of showing a face that does nothing.
if (location.protocol === 'file:') {
  document.addEventListener('DOMContentLoaded', () => {
    const note = document.getElementById('alert');
    note.textContent =
      'Korvelce must be served over http: browsers refuse its modules and WebAssembly from a ' +
      'file opened from disk. Run "python3 -m http.server -d build/web/site" and open ' +
      'http://localhost:8000/.';
  });
}
