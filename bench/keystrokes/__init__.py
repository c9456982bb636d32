"""bench/ksr: the keystroke-savings harness (the simulated writer, its targets, the corpora)."""
