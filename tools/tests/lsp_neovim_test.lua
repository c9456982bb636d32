-- The language server under a real client: Neovim's own LSP client starts
-- `rorirer lsp`, and random edits to a buffer (emoji, combining marks, lines
-- split, joined and deleted) reach it as Neovim computes them, as
-- incremental changes in UTF-16. After every few edits a completion is asked
-- for right after a freshly typed "hel"; its range must be where Neovim
-- itself counts the word in UTF-16, so a server whose copy of the buffer
-- drifted from Neovim's fails.
--
-- Run: RORIRER_EXE=path/to/rorirer nvim --headless -n -i NONE -u NONE \
--          -c "luafile tools/tests/lsp_neovim_test.lua"
-- The status is 0 on success; failures are printed.

-- Neovim 0.7 knows no "OFF"; the ctest entry points the log elsewhere.
if not pcall(vim.lsp.set_log_level, "OFF") then vim.lsp.set_log_level("ERROR") end

local Failure = {}

local function fail(message)
  error(setmetatable({ message = message }, Failure), 0)
end

local dict = os.tmpname()

local function main()
  local words = { "helicopter", "helium", "hello", "helmet", "hippopotamus", "zebra" }
  local file = io.open(dict, "w")
  file:write(table.concat(words, "\n") .. "\n")
  file:close()

  local exit_code
  local client_id = vim.lsp.start_client({
    cmd = { os.getenv("RORIRER_EXE"), "lsp", "--dict", dict },
    name = "rorirer",
    root_dir = vim.fn.getcwd(),
    on_exit = function(code) exit_code = code end,
  })
  if not client_id then fail("the client did not start") end
  local buf = vim.api.nvim_create_buf(true, false)
  vim.api.nvim_buf_set_name(buf, dict .. ".txt")
  vim.api.nvim_set_current_buf(buf)
  vim.lsp.buf_attach_client(buf, client_id)
  if not vim.wait(20000, function()
    local client = vim.lsp.get_client_by_id(client_id)
    return client ~= nil and client.initialized
  end) then
    fail("the server was not initialized")
  end

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

  local expected_labels = { "helicopter", "helium", "hello", "helmet" }

  local function check(step)
    local line, col = random_place()
    vim.api.nvim_buf_set_text(buf, line, col, line, col, { " hel" })
    local text = vim.api.nvim_buf_get_lines(buf, line, line + 1, false)[1]
    local start_char, cursor_char = utf16(text, col + 1), utf16(text, col + 4)
    local answers = vim.lsp.buf_request_sync(buf, "textDocument/completion", {
      textDocument = { uri = vim.uri_from_bufnr(buf) },
      position = { line = line, character = cursor_char },
    }, 20000)
    local answer = answers and answers[client_id]
    if not answer or answer.err or not answer.result then
      fail("step " .. step .. ": no answer: " .. vim.inspect(answer))
    end
    local items = answer.result.items
    local labels = {}
    for i, item in ipairs(items) do
      labels[i] = item.label
      local range = item.textEdit.range
      if range.start.line ~= line or range["end"].line ~= line
          or range.start.character ~= start_char or range["end"].character ~= cursor_char then
        fail(string.format("step %d: range %s, expected line %d from %d to %d in %q", step,
          vim.inspect(range), line, start_char, cursor_char, text))
      end
    end
    if not vim.deep_equal(labels, expected_labels) then
      fail(string.format("step %d: labels %s in %q", step, vim.inspect(labels), text))
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

  vim.lsp.stop_client(client_id)
  if not vim.wait(20000, function() return exit_code ~= nil end) then
    fail("the server did not exit")
  end
  if exit_code ~= 0 then fail("the server exited with " .. tostring(exit_code)) end
end

-- Any error, ours or Lua's, ends Neovim with status 1: headless, it would
-- otherwise wait for input.
local ok, err = pcall(main)
os.remove(dict)
if ok then
  print("lsp_neovim_test: 20 completions checked after 120 edits; the server exited with 0")
  vim.cmd("qall!")
else
  io.stderr:write("lsp_neovim_test: " .. (getmetatable(err) == Failure and err.message
    or tostring(err)) .. "\n")
  vim.cmd("cquit 1")
end
