;;; lsp_eglot_test.el --- rorirer lsp under Emacs's eglot  -*- lexical-binding: t -*-

;; The language server under a real client: Emacs 28 with Debian's eglot,
;; set up by the exact eglot block of docs/editors.md, with `rorirer' on
;; PATH (a wrapper that adds the test's word list). Words are typed into a
;; text-mode buffer and completed as a user would: with
;; `completion-at-point' where one word fits, and otherwise as a completion
;; front end (company, corfu) does, choosing one of the candidates the
;; completion styles keep, putting it in and calling the exit function.
;; After each, the buffer must hold exactly the completed word.
;;
;; Run: RORIRER_EXE=path/to/rorirer RORIRER_EDITORS_DOC=docs/editors.md \
;;        emacs -Q --batch -l tools/tests/lsp_eglot_test.el
;; Exits 0 on success, 1 on failure, 77 (skipped) when eglot is missing.
;; Nothing waits a fixed time: every wait polls, with a generous bound.

(require 'cl-lib)
(require 'package)

(defconst rorirer-test-timeout 30 "Seconds to wait for anything.")

(defun rorirer-test-fail (format &rest args)
  (princ (concat "lsp_eglot_test: " (apply #'format format args) "\n") #'external-debugging-output)
  (kill-emacs 1))

;; Debian's elpa-eglot, found as Emacs finds it without -Q.
(setq package-directory-list (list (or (getenv "RORIRER_ELPA") "/usr/share/emacs/site-lisp/elpa")))
(package-initialize)
(unless (require 'eglot nil t)
  (princ "lsp_eglot_test: skipped: eglot is not installed (Debian: apt-get install elpa-eglot)\n"
         #'external-debugging-output)
  (kill-emacs 77))

(defun rorirer-test-wait (what ready)
  "Waits until READY returns non-nil, letting processes and timers run."
  (let ((deadline (+ (float-time) rorirer-test-timeout)))
    (while (not (funcall ready))
      (when (> (float-time) deadline) (rorirer-test-fail "timed out waiting for %s" what))
      (accept-process-output nil 0.05))))

(defun rorirer-test-read (path)
  (with-temp-buffer (insert-file-contents path) (buffer-string)))

(defvar rorirer-test-work (make-temp-file "rorirer-eglot" t))

(defun rorirer-test-set-up ()
  "Puts a `rorirer' on PATH and evaluates the documented block."
  (let ((wrapper (expand-file-name "rorirer" rorirer-test-work))
        (words (expand-file-name "words.txt" rorirer-test-work)))
    (with-temp-file words
      (insert "helicopter\nhelium\nhello\nhelmet\nhippopotamus\nzebra\ndoesn't\ndoes\n"))
    (with-temp-file wrapper
      (insert (format "#!/bin/sh\nexec '%s' \"$@\" --dict '%s'\n" (getenv "RORIRER_EXE") words)))
    (set-file-modes wrapper #o755)
    (setenv "PATH" (concat rorirer-test-work path-separator (getenv "PATH")))
    (push rorirer-test-work exec-path))
  (let* ((doc (rorirer-test-read (getenv "RORIRER_EDITORS_DOC")))
         (marker "<!-- tested by tools/tests/lsp_eglot_test.el -->\n```elisp\n")
         (start (string-search marker doc)))
    (unless start (rorirer-test-fail "no eglot block in %s" (getenv "RORIRER_EDITORS_DOC")))
    (let* ((from (+ start (length marker)))
           (to (string-search "\n```" doc from)))
      (with-temp-buffer
        (insert (substring doc from to))
        (goto-char (point-min))
        (condition-case nil
            (while t (eval (read (current-buffer)) t))
          (end-of-file nil))))))

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

(defun rorirer-test-line ()
  (buffer-substring-no-properties (line-beginning-position) (line-end-position)))

(defun rorirer-test-check (what got expected)
  (unless (equal got expected) (rorirer-test-fail "%s: got %S, expected %S" what got expected)))

(defun rorirer-test-main ()
  (rorirer-test-set-up)
  (rorirer-test-open "notes.txt")
  ;; One word fits: completion-at-point puts it in by itself.
  (dolist (row '(("it doesn'" "it doesn't")
                 ("the HIPP" "the HIPPOPOTAMUS")
                 ("a zeb" "a zebra")))
    (rorirer-test-type (car row))
    (completion-at-point)
    (rorirer-test-check (format "completion-at-point after %S" (car row))
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

(condition-case err
    (rorirer-test-main)
  (error (rorirer-test-fail "%s" (error-message-string err))))
(delete-directory rorirer-test-work t)
(princ "lsp_eglot_test: 11 completions accepted, each leaving the completed word\n")
(kill-emacs 0)

;;; lsp_eglot_test.el ends here
