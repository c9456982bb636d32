-- The language server under a real client: Neovim's own LSP client, set up
-- by the exact Neovim 0.7 block of docs/editors.md (which the README must
-- show unchanged), with `rorirer` on PATH (a wrapper that adds the test's
-- word list).
--
-- First, random edits to a buffer (emoji, combining marks, lines split,
-- joined and deleted) reach the server as Neovim computes them, as
-- incremental changes in UTF-16; after every few edits a completion is
-- asked for right after a freshly typed "hel", and its range must be where
-- Neovim itself counts the word, so a server whose copy of the buffer
-- drifted from Neovim's fails. Then words are completed as a user would:
-- typed in insert mode, completed with the built-in omnifunc (Ctrl-X
-- Ctrl-O) and accepted with Ctrl-Y, and the line checked; and close matches
-- put in with the client's own apply_text_edits, as completion plugins do.
--
-- Run: RORIRER_EXE=path/to/rorirer RORIRER_EDITORS_DOC=docs/editors.md \
--        RORIRER_README=README.md \
--        nvim --headless -n -i NONE -u NONE -c "luafile tools/tests/lsp_neovim_test.lua"
-- The status is 0 on success; failures are printed. Nothing waits a fixed
-- time: every wait polls for what it waits for, with a generous bound.

-- Neovim 0.7 knows no "OFF"; the ctest entry points the log elsewhere.
if not pcall(vim.lsp.set_log_level, "OFF") then vim.lsp.set_log_level("ERROR") end

local TIMEOUT_MS = 20000
local Failure = {}

local function fail(message)
  error(setmetatable({ message = message }, Failure), 0)
end

local work = vim.fn.tempname()

-- The test runs as a coroutine, so that it can give way to Neovim's main
-- loop while typed keys are handled and the server answers.
local resume

local function wait_for(what, ready)
  local deadline = vim.loop.hrtime() + TIMEOUT_MS * 1e6
  while not ready() do
    if vim.loop.hrtime() > deadline then fail("timed out waiting for " .. what) end
    vim.defer_fn(resume, 10)
    coroutine.yield()
  end
end

local function type_keys(keys)
  vim.api.nvim_feedkeys(vim.api.nvim_replace_termcodes(keys, true, false, true), "n", false)
end

local function read_file(path)
  local file = io.open(path, "r")
  if not file then fail("cannot read " .. tostring(path)) end
  local text = file:read("*a")
  file:close()
  return text
end

local function write_file(path, text)
  local file = io.open(path, "w")
  file:write(text)
  file:close()
end

-- The documented block, run as it is written, with a `rorirer` on PATH.
local function set_up_client()
  vim.fn.mkdir(work, "p")
  local words = { "helicopter", "helium", "hello", "helmet", "hippopotamus", "zebra",
    "doesn't", "does" }
  write_file(work .. "/words.txt", table.concat(words, "\n") .. "\n")
  write_file(work .. "/rorirer", string.format("#!/bin/sh\nexec '%s' \"$@\" --dict '%s'\n",
    os.getenv("RORIRER_EXE"), work .. "/words.txt"))
  vim.loop.fs_chmod(work .. "/rorirer", 493) -- 0755
  vim.env.PATH = work .. ":" .. vim.env.PATH

  local doc = read_file(os.getenv("RORIRER_EDITORS_DOC"))
  local block = doc:match("<!%-%- tested by tools/tests/lsp_neovim_test%.lua %-%->\n```lua\n(.-)\n```")
  if not block then fail("no Neovim 0.7 block in " .. os.getenv("RORIRER_EDITORS_DOC")) end
  -- The README shows the same block.
  local readme = read_file(os.getenv("RORIRER_README"))
  local copy = readme:match("\n## Editors\n.-```lua\n(.-)\n```")
  if copy ~= block then fail("the README's Neovim block differs from docs/editors.md's") end
  vim.cmd("filetype on")
  vim.o.showmode = false -- no "-- INSERT --" among the test's output
  assert(loadstring(block, "the Neovim 0.7 block"))()
end

-- Opens `name` in the work folder; the block attaches the server to it.
local function open_buffer(name)
  vim.cmd("edit " .. work .. "/" .. name)
  local buf = vim.api.nvim_get_current_buf()
  if vim.bo[buf].omnifunc ~= "v:lua.vim.lsp.omnifunc" then fail("the block set no omnifunc") end
  local client
  wait_for("the server to start", function()
    for _, c in pairs(vim.lsp.buf_get_clients(buf)) do
      if c.name == "rorirer" and c.initialized then client = c end
    end
    return client ~= nil
  end)
  return buf, client
end

local function request_completion(buf, client, line, character)
  local answers = vim.lsp.buf_request_sync(buf, "textDocument/completion", {
    textDocument = { uri = vim.uri_from_bufnr(buf) },
    position = { line = line, character = character },
  }, TIMEOUT_MS)
  local answer = answers and answers[client.id]
  if not answer or answer.err or not answer.result then
    fail("no answer: " .. vim.inspect(answer))
  end
  return answer.result
end

local function check_edits_stay_in_sync(buf, client)
  local pieces = { "\240\159\152\128", "e\204\129", " ", "x", "\228\184\173", "\195\169", "ab",
    "\240\157\132\158" }

  -- Byte offsets where each character of `line` starts, and its end.
  local function char_starts(line)
    local starts, at = {}, 0
    while at < #line do
      table.insert(starts, at)
      local lead = line:byte(at + 1)
      at = at + (lead < 0x80 and 1 or lead < 0xE0 and 2 or lead < 0xF0 and 3 or 4)
    end
    table.insert(starts, #line)
    return starts
  end

  local function random_place()
    local lines = vim.api.nvim_buf_get_lines(buf, 0, -1, false)
    local line = math.random(#lines) - 1
    local starts = char_starts(lines[line + 1])
    return line, starts[math.random(#starts)], lines
  end

  local function random_text()
    local text = ""
    for _ = 1, math.random(0, 3) do text = text .. pieces[math.random(#pieces)] end
    return text
  end

  local function utf16(line_text, byte)
    local _, units = vim.str_utfindex(line_text, byte)
    return units
  end

  local function check(step)
    local line, col = random_place()
    vim.api.nvim_buf_set_text(buf, line, col, line, col, { " hel" })
    local text = vim.api.nvim_buf_get_lines(buf, line, line + 1, false)[1]
    local start_char, cursor_char = utf16(text, col + 1), utf16(text, col + 4)
    local result = request_completion(buf, client, line, cursor_char)
    local labels = {}
    for _, item in ipairs(result.items) do
      labels[item.label] = true
      -- The buffer's own words may join the dictionary's: all begin with "hel".
      if item.label:sub(1, 3) ~= "hel" then
        fail(string.format("step %d: %q does not complete %q", step, item.label, text))
      end
      local range = item.textEdit.range
      if range.start.line ~= line or range["end"].line ~= line
          or range.start.character ~= start_char or range["end"].character ~= cursor_char then
        fail(string.format("step %d: range %s, expected line %d from %d to %d in %q", step,
          vim.inspect(range), line, start_char, cursor_char, text))
      end
    end
    for _, word in ipairs({ "helicopter", "helium", "hello", "helmet" }) do
      if not labels[word] then fail(string.format("step %d: no %q in %q", step, word, text)) end
    end
  end

  math.randomseed(20260)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false,
    { "\240\159\152\128 e\204\129 start", "second line", "", "third \228\184\173" })
  for step = 1, 120 do
    local kind = math.random(6)
    local line, col, lines = random_place()
    if kind <= 2 then -- type text
      vim.api.nvim_buf_set_text(buf, line, col, line, col, { random_text() })
    elseif kind == 3 then -- split the line, or paste lines
      vim.api.nvim_buf_set_text(buf, line, col, line, col, { random_text(), random_text() })
    elseif kind == 4 then -- delete within the line
      local starts = char_starts(lines[line + 1])
      local to = math.max(col, starts[math.random(#starts)])
      vim.api.nvim_buf_set_text(buf, line, col, line, to, { "" })
    elseif kind == 5 and line + 1 < #lines then -- delete across a line end
      local starts = char_starts(lines[line + 2])
      vim.api.nvim_buf_set_text(buf, line, col, line + 1, starts[math.random(#starts)], { "" })
    elseif #lines > 1 then -- delete whole lines
      vim.api.nvim_buf_set_lines(buf, line, math.min(#lines, line + math.random(2)), false, {})
    end
    if step % 6 == 0 then check(step) end
  end
end

-- Types `text` at the end of an empty line, completes with the omnifunc,
-- accepts the first word offered, and returns the line. A word offered
-- alone is put in at once, with no menu ('completeopt' lacks "menuone").
local function complete_with_omnifunc(buf, text)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false, { text })
  vim.api.nvim_win_set_cursor(0, { 1, #text })
  type_keys("A<C-x><C-o>")
  wait_for("completion after " .. text, function()
    return vim.fn.pumvisible() == 1 or vim.api.nvim_get_current_line() ~= text
  end)
  type_keys(vim.fn.pumvisible() == 1 and "<C-y><Esc>" or "<Esc>")
  wait_for("normal mode", function() return vim.api.nvim_get_mode().mode == "n" end)
  return vim.api.nvim_buf_get_lines(buf, 0, 1, false)[1]
end

-- Asks at the end of `text` and puts in the first item with the client's
-- apply_text_edits, as completion plugins do; returns the line.
local function complete_with_text_edit(buf, client, text)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false, { text })
  local result = request_completion(buf, client, 0, vim.str_utfindex(text))
  local item = result.items[1]
  if not item then fail("nothing offered for " .. text) end
  vim.lsp.util.apply_text_edits({ item.textEdit }, buf, client.offset_encoding)
  return vim.api.nvim_buf_get_lines(buf, 0, 1, false)[1], item
end

local function check_accepted_words(buf, client)
  vim.api.nvim_buf_set_lines(buf, 0, -1, false, { "Hel" })
  local result = request_completion(buf, client, 0, 3)
  local labels = {}
  for i, item in ipairs(result.items) do labels[i] = item.label end
  -- The dictionary's words as the built-in frequencies rank them.
  if not vim.deep_equal(labels, { "Hello", "Helicopter", "Helmet", "Helium" }) then
    fail("labels for Hel: " .. vim.inspect(labels))
  end

  -- (typed, the line after accepting the first word)
  local rows = {
    { "Hel", "Hello" },
    { "it doesn'", "it doesn't" },
    { "HIPP", "HIPPOPOTAMUS" },
    { "a zeb", "a zebra" },
  }
  for _, row in ipairs(rows) do
    local line = complete_with_omnifunc(buf, row[1])
    if line ~= row[2] then
      fail(string.format("omnifunc: %q became %q, expected %q", row[1], line, row[2]))
    end
    line = complete_with_text_edit(buf, client, row[1])
    if line ~= row[2] then
      fail(string.format("text edit: %q became %q, expected %q", row[1], line, row[2]))
    end
  end

  -- A close match replaces the typed word.
  local line, item = complete_with_text_edit(buf, client, "the hipopotamus")
  if line ~= "the hippopotamus" or item.detail ~= "close match, dictionary" then
    fail(string.format("close match: %q, %s", line, vim.inspect(item)))
  end
end

local function main()
  set_up_client()
  local buf, client = open_buffer("edits.txt")
  check_edits_stay_in_sync(buf, client)
  -- Its words leave the server with it.
  vim.cmd("bwipeout! " .. buf)
  local cases = open_buffer("cases.txt")
  if vim.lsp.buf_get_clients(cases)[client.id] == nil then
    fail("the second buffer is not attached to the same server")
  end
  check_accepted_words(cases, client)
  vim.lsp.stop_client(client.id)
  wait_for("the server to stop", function() return vim.lsp.client_is_stopped(client.id) end)
end

-- Any error, ours or Lua's, ends Neovim with status 1: headless, it would
-- otherwise wait for input.
local function finish(ok, err)
  vim.fn.delete(work, "rf")
  if ok then
    print("lsp_neovim_test: 20 completions checked after 120 edits, 9 words accepted")
    vim.cmd("qall!")
  else
    io.stderr:write("lsp_neovim_test: " .. (getmetatable(err) == Failure and err.message
      or tostring(err)) .. "\n")
    vim.cmd("cquit 1")
  end
end

local test = coroutine.create(main)
resume = function()
  local ok, err = coroutine.resume(test)
  if not ok then
    finish(false, err)
  elseif coroutine.status(test) == "dead" then
    finish(true)
  end
end
resume()
