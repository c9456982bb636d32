;;; lsp_emacs_support.el --- what the Emacs client tests share  -*- lexical-binding: t -*-

;; Loaded by lsp_eglot_test.el and lsp_lspmode_test.el, which set
;; `rorirer-test-name' first. Failures end Emacs with status 1, a missing
;; package with 77 (skipped). Every wait polls, with a generous bound.

(require 'cl-lib)
(require 'package)

(defvar rorirer-test-name)
(defconst rorirer-test-timeout 30 "Seconds to wait for anything.")

(defvar rorirer-test-work (make-temp-file "rorirer-emacs" t))
;; Whatever a package keeps (lsp-mode's session file) stays in the test's folder.
(setq user-emacs-directory (file-name-as-directory rorirer-test-work))

(defun rorirer-test-exit (status)
  (ignore-errors (delete-directory rorirer-test-work t))
  (kill-emacs status))

(defun rorirer-test-fail (format &rest args)
  (princ (concat rorirer-test-name ": " (apply #'format format args) "\n")
         #'external-debugging-output)
  (rorirer-test-exit 1))

(defun rorirer-test-require (feature package)
  "Loads FEATURE from Debian's PACKAGE, found as Emacs finds it without -Q,
or skips the test."
  (setq package-directory-list
        (list (or (getenv "RORIRER_ELPA") "/usr/share/emacs/site-lisp/elpa")))
  (package-initialize)
  (unless (require feature nil t)
    (princ (format "%s: skipped: %s is not installed (Debian: apt-get install %s)\n"
                   rorirer-test-name feature package)
           #'external-debugging-output)
    (rorirer-test-exit 77)))

(defun rorirer-test-wait (what ready)
  "Waits until READY returns non-nil, letting processes and timers run."
  (let ((deadline (+ (float-time) rorirer-test-timeout)))
    (while (not (funcall ready))
      (when (> (float-time) deadline) (rorirer-test-fail "timed out waiting for %s" what))
      (accept-process-output nil 0.05))))

(defun rorirer-test-set-up (test-file)
  "Puts a `rorirer' on PATH (the program with the test's word list) and
evaluates the block of docs/editors.md marked as tested by TEST-FILE."
  (let ((wrapper (expand-file-name "rorirer" rorirer-test-work))
        (words (expand-file-name "words.txt" rorirer-test-work)))
    (with-temp-file words
      (insert "helicopter\nhelium\nhello\nhelmet\nhippopotamus\nzebra\ndoesn't\ndoes\n"))
    (with-temp-file wrapper
      (insert (format "#!/bin/sh\nexec '%s' \"$@\" --dict '%s'\n" (getenv "RORIRER_EXE") words)))
    (set-file-modes wrapper #o755)
    (setenv "PATH" (concat rorirer-test-work path-separator (getenv "PATH")))
    (push rorirer-test-work exec-path))
  (let* ((doc (with-temp-buffer
                (insert-file-contents (getenv "RORIRER_EDITORS_DOC"))
                (buffer-string)))
         (marker (format "<!-- tested by tools/tests/%s -->\n```elisp\n" test-file))
         (start (string-search marker doc)))
    (unless start (rorirer-test-fail "no block for %s in %s" test-file
                                     (getenv "RORIRER_EDITORS_DOC")))
    (let* ((from (+ start (length marker)))
           (to (string-search "\n```" doc from)))
      (with-temp-buffer
        (insert (substring doc from to))
        (goto-char (point-min))
        (condition-case nil
            (while t (eval (read (current-buffer)) t))
          (end-of-file nil))))))

(defun rorirer-test-line ()
  (buffer-substring-no-properties (line-beginning-position) (line-end-position)))

(defun rorirer-test-check (what got expected)
  (unless (equal got expected) (rorirer-test-fail "%s: got %S, expected %S" what got expected)))

(defun rorirer-test-run (main summary)
  "Runs MAIN; on success prints SUMMARY and ends Emacs with status 0."
  (condition-case err
      (funcall main)
    (error (rorirer-test-fail "%s" (error-message-string err))))
  (princ (concat rorirer-test-name ": " summary "\n"))
  (rorirer-test-exit 0))

;;; lsp_emacs_support.el ends here
