-- find, match, gmatch and gsub on many subjects, patterns and start positions, and malformed patterns;
-- returns every outcome as text, one a line.
local out = {}
local function rec(...)
  local t = table.pack(...)
  for i = 1, t.n do t[i] = type(t[i]) .. ":" .. tostring(t[i]) end
  out[#out + 1] = table.concat(t, ",")
end
local subjects = { "hello world from Lua", "  key = value ; other=1 ", "THE (quick) fox [jumps] {over}",
  "a,b,,c", "", "aaa", "x = 10.5e3, y=-7", "THE END\0null", "f(a(b)c)d" }
local patterns = { "o", "l+", "l*", "l-", "l?", "^h", "a$", "^$", "%a+", "%A+", "%d+", "%D", "%s*=%s*",
  "(%w+)%s*=%s*(%w+)", "()ll()", "%b()", "%b[]", "%f[%a]%a+", "%f[%A]", "%f[%z]", "[%a_][%w_]*", "[^,]*",
  "[a-f]+", "[%]]", "[]]", "[^%s%p]+", "(a)%1", "(h)(e)(l)(l)(o)", ".-", "", "^", "$", "%.", ".",
  "[+-]?%d+%.?%d*[eE]?[+-]?%d*", "%z", "%x+", "%u+", "%l+", "%p+", "%c", "%g+", "(%a)(%a*)",
  "((%a)%a*)", "a-b", "(.-)%s", "^(%s*)(.-)(%s*)$", "%w+$", "\0", "[a-]", "[-a]" }
for _, s in ipairs(subjects) do
  for _, p in ipairs(patterns) do
    for _, init in ipairs({ 1, 3, -4, 0, 100 }) do
      rec(pcall(string.find, s, p, init))
      rec(pcall(string.match, s, p, init))
    end
    rec(pcall(string.find, s, p, 2, true))
    rec(pcall(function()
      local r = {}
      for a, b in s:gmatch(p) do
        r[#r + 1] = tostring(a) .. "|" .. tostring(b)
        if #r > 50 then break end
      end
      for a in string.gmatch(s, p, 4) do r[#r + 1] = tostring(a) if #r > 100 then break end end
      return table.concat(r, ";")
    end))
    rec(pcall(string.gsub, s, p, "<%0>"))
    rec(pcall(string.gsub, s, p, "%1-%%", 2))
    rec(pcall(string.gsub, s, p, function(a) return a and #a > 2 and a:upper() end))
    rec(pcall(string.gsub, s, p, { hello = "HI", o = 0, a = false }))
  end
end
for _, p in ipairs({ "%", "[a", "(a", "a)", "%b", "%ba", "%f", "%fx", "%9", "%1", "(()", "[a%", string.rep("()", 33) }) do
  rec(pcall(string.find, "abc", p))
  rec(pcall(string.gsub, "abc", p, "x"))
end
rec(pcall(string.gsub, "abc", "(b)", "%2"))
rec(pcall(string.gsub, "abc", "b", "%x"))
rec(pcall(string.gsub, "abc", "b", true))
rec(pcall(string.gsub, "abc", "b", function() return {} end))
rec(pcall(string.match, string.rep("a", 300), string.rep("a?", 300)))
rec(pcall(string.gsub, "hello world", "%w+", "%0 %0", -1))
rec(pcall(string.gsub, "abc", "", "-"))
rec(pcall(string.gsub, "hello", "()", "%1"))
return table.concat(out, "\n")
