// The document.
