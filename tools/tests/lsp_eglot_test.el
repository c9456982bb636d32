;;; lsp_eglot_test.el --- rorirer lsp under Emacs's eglot  -*- lexical-binding: t -*-

;; The language server under a real client: Emacs 28 with Debian's eglot,
;; set up by the exact eglot block of docs/editors.md, with `rorirer' on
;; PATH (a wrapper that adds the test's word list). Words are typed into a
;; text-mode buffer and completed as a user would: with the block's C-M-i
;; where one word fits, and otherwise as a completion
;; front end (company, corfu) does, choosing one of the candidates the
;; completion styles keep, putting it in and calling the exit function.
;; After each, the buffer must hold exactly the completed word.
;;
;; Run: RORIRER_EXE=path/to/rorirer RORIRER_EDITORS_DOC=docs/editors.md \
;;        emacs -Q --batch -l tools/tests/lsp_eglot_test.el
;; Exits 0 on success, 1 on failure, 77 (skipped) when eglot is missing.
;; Nothing waits a fixed time: every wait polls, with a generous bound.

(defconst rorirer-test-name "lsp_eglot_test")
(load (expand-file-name "lsp_emacs_support" (file-name-directory load-file-name)) nil t)
(rorirer-test-require 'eglot "elpa-eglot")

(defun rorirer-test-open (name)
  "Visits NAME in the work folder, as `find-file' would, and waits for eglot."
  (find-file (expand-file-name name rorirer-test-work))
  (unless (derived-mode-p 'text-mode) (rorirer-test-fail "%s is not in text-mode" name))
  ;; eglot-ensure connects once the command that opened the file is done.
  (run-hooks 'post-command-hook)
  (rorirer-test-wait "eglot to manage the buffer"
                     (lambda () (and (bound-and-true-p eglot--managed-mode)
                                     (eglot-current-server)))))

(defun rorirer-test-type (text)
  "Empties the buffer and types TEXT, as far as the server is told."
  (erase-buffer)
  (insert text)
  (eglot--signal-textDocument/didChange))

(defun rorirer-test-candidates ()
  "What a completion front end shows at point: the candidates the completion
styles keep, in the table's display order, with the capf's bounds and
properties."
  (let* ((capf (eglot-completion-at-point))
         (beg (nth 0 capf)) (end (nth 1 capf)) (table (nth 2 capf))
         (typed (buffer-substring-no-properties beg (point)))
         (metadata (completion-metadata typed table nil))
         (found (completion-all-completions typed table nil (length typed) metadata))
         (sort (completion-metadata-get metadata 'display-sort-function)))
    (when (consp found) (setcdr (last found) nil))
    (list (if sort (funcall sort found) found) beg end (nthcdr 3 capf))))

(defun rorirer-test-accept (candidate beg end properties)
  "Puts CANDIDATE in place of BEG..END and runs the exit function, as
company and corfu do when a candidate is chosen."
  (delete-region beg end)
  (goto-char beg)
  (insert candidate)
  (funcall (plist-get properties :exit-function) candidate 'finished))

(defun rorirer-test-main ()
  (rorirer-test-set-up "lsp_eglot_test.el")
  (rorirer-test-open "notes.txt")
  (rorirer-test-check "C-M-i" (key-binding (kbd "C-M-i")) #'completion-at-point)
  ;; One word fits: the block's C-M-i (text-mode's own runs
  ;; ispell-complete-word) puts it in by itself.
  (dolist (row '(("it doesn'" "it doesn't")
                 ("the HIPP" "the HIPPOPOTAMUS")
                 ("a zeb" "a zebra")))
    (rorirer-test-type (car row))
    (call-interactively (key-binding (kbd "C-M-i")))
    (rorirer-test-check (format "C-M-i after %S" (car row))
                        (rorirer-test-line) (cadr row)))
  ;; Several fit: the one a front end shows first, and another one; under
  ;; eglot's own completion styles (flex, then basic) and under basic alone,
  ;; which matches close matches by their filterText.
  (dolist (styles '(nil ((eglot (styles basic)))))
    (let ((completion-category-overrides styles))
      (dolist (row '(("Hel" 0 ("Hello" "Helium" "Helmet" "Helicopter") "Hello")
                     ("Hel" 2 ("Hello" "Helium" "Helmet" "Helicopter") "Helmet")
                     ("I doesn'" 0 ("doesn't") "I doesn't")
                     ("the hipopotamus" 0 ("hippopotamus") "the hippopotamus")))
        (cl-destructuring-bind (typed index shown expected) row
          (rorirer-test-type typed)
          (cl-destructuring-bind (candidates beg end properties) (rorirer-test-candidates)
            (rorirer-test-check (format "candidates after %S, styles %S" typed styles)
                                (mapcar #'substring-no-properties candidates) shown)
            (when candidates
              (rorirer-test-accept (nth index candidates) beg end properties))
            (rorirer-test-check (format "accepting %S after %S" (nth index candidates) typed)
                                (rorirer-test-line) expected))))))
  (let ((server (eglot-current-server)))
    (eglot-shutdown server)
    (rorirer-test-wait "the server to stop"
                       (lambda () (not (process-live-p (jsonrpc--process server)))))))

(rorirer-test-run #'rorirer-test-main
                  "11 completions accepted, each leaving the completed word")

;;; lsp_eglot_test.el ends here
