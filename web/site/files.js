// Programs in and out of the page: opening a .kv or .kvs file (the Open button or a file dropped
// on the page), saving the memory image and the program source, and downloads in general.

const LARGEST_FILE = 1 << 20; // no program file comes near this; anything larger is not one

// Offers bytes as a download called name.
export function download(name, bytes, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  const link = document.createElement('a');
  link.href = url;
  link.download = name;
  link.hidden = true;
  document.body.append(link);
  link.click();
  link.remove();
  // The download has its own copy once started; the URL can go a little later.
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

// actions: { offer(name, bytes) → replaces the program after asking, refuse(message) }.
export function setUpFileInput(input, actions) {
  const take = async (file) => {
    if (!file) return;
    if (file.size > LARGEST_FILE) {
      actions.refuse(`${file.name} is not a program file: it is far too large.`);
      return;
    }
    let bytes;
    try {
      bytes = new Uint8Array(await file.arrayBuffer());
    } catch {
      actions.refuse(`${file.name} could not be read.`);
      return;
    }
    actions.offer(file.name, bytes);
  };

  input.addEventListener('change', () => {
    const file = input.files?.[0];
    input.value = ''; // the same file can be opened again
    take(file);
  });

  // A file dropped anywhere on the page is opened the same way.
  const carriesFiles = (event) => event.dataTransfer?.types?.includes('Files');
  document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
    document.documentElement.classList.add('dropping');
  });
  document.addEventListener('dragleave', (event) => {
    if (event.relatedTarget === null) document.documentElement.classList.remove('dropping');
  });
  document.addEventListener('drop', (event) => {
    document.documentElement.classList.remove('dropping');
    if (!carriesFiles(event)) return;
    event.preventDefault();
    take(event.dataTransfer.files[0]);
  });
}
