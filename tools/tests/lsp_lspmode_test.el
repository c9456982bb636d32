;;; lsp_lspmode_test.el --- rorirer lsp under Emacs's lsp-mode  -*- lexical-binding: t -*-

;; The language server under a real client: Emacs 28 with Debian's
;; lsp-mode 8 and company, set up by the exact lsp-mode block of
;; docs/editors.md, with `rorirer' on PATH. In a text file and a Markdown
;; file, words are typed as keys; company must show the server's words by
;; itself, and RET must put the first in. The buffer, one line, its last,
;; must then hold exactly the words accepted: lsp-mode re-indents what it
;; puts in unless the item says otherwise, and there that adds a TAB.
;;
;; Run: RORIRER_EXE=path/to/rorirer RORIRER_EDITORS_DOC=docs/editors.md \
;;        emacs -Q --batch -l tools/tests/lsp_lspmode_test.el
;; Exits 0 on success, 1 on failure, 77 (skipped) when lsp-mode or company
;; is missing.

(defconst rorirer-test-name "lsp_lspmode_test")
(load (expand-file-name "lsp_emacs_support" (file-name-directory load-file-name)) nil t)
(rorirer-test-require 'company "elpa-company")
(rorirer-test-require 'lsp-mode "elpa-lsp-mode")
;; A question would wait for input: lsp-mode asks for a project root with
;; read-key, which the block's `lsp-auto-guess-root' must make needless.
(advice-add 'read-key :override
            (lambda (&optional prompt &rest _) (rorirer-test-fail "asked: %s" prompt)))

(defun rorirer-test-open (name mode)
  "Visits NAME in the work folder and waits for lsp-mode and company."
  (find-file (expand-file-name name rorirer-test-work))
  (rorirer-test-check (format "the mode of %s" name) major-mode mode)
  ;; lsp-deferred starts the server once Emacs is idle, which in batch it
  ;; never is: its idle timers run here as they would then.
  (mapc #'timer-event-handler (copy-sequence timer-idle-list))
  (rorirer-test-wait (format "lsp-mode and company in %s" name)
                     (lambda () (and (bound-and-true-p lsp-completion-mode)
                                     (bound-and-true-p company-mode)))))

(defun rorirer-test-complete (keys first)
  "Types KEYS; company must show FIRST first by itself, and RET put it in."
  (execute-kbd-macro keys)
  (rorirer-test-wait (format "company's candidates after %S" keys)
                     (lambda () company-candidates))
  (rorirer-test-check (format "the first candidate after %S" keys)
                      (substring-no-properties (car company-candidates)) first)
  (command-execute (key-binding (kbd "RET"))))

(defun rorirer-test-main ()
  (rorirer-test-set-up "lsp_lspmode_test.el")
  (dolist (file '(("notes.txt" text-mode) ("notes.md" markdown-mode)))
    (apply #'rorirer-test-open file)
    (rorirer-test-complete "Hel" "Hello")
    (rorirer-test-complete " zeb" "zebra")
    (rorirer-test-check (format "%s after two words accepted" (car file))
                        (buffer-string) "Hello zebra"))
  (let ((process (lsp--workspace-proc (car (lsp-workspaces)))))
    (lsp-workspace-shutdown (car (lsp-workspaces)))
    (rorirer-test-wait "the server to stop" (lambda () (not (process-live-p process))))))

(rorirer-test-run #'rorirer-test-main
                  "company showed the words and RET put them in, in text and Markdown")

;;; lsp_lspmode_test.el ends here
