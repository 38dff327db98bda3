-- table.insert, remove and move and string.rep on plain tables, tables with metamethods and bad
-- arguments; returns every outcome as text, one a line.
local out = {}
local function dump(t)
  local r = {}
  for i = -1, 8 do r[#r + 1] = tostring(rawget(t, i)) end
  return table.concat(r, " ")
end
local function rec(ok, ...)
  local t = table.pack(...)
  for i = 1, t.n do t[i] = type(t[i]) == "table" and "table" or type(t[i]) .. ":" .. tostring(t[i]) end
  out[#out + 1] = tostring(ok) .. "," .. table.concat(t, ",")
end
local function fresh() return { "a", "b", "c", "d" } end
for _, args in ipairs({ { "x" }, { 1, "x" }, { 3, "x" }, { 5, "x" }, { 6, "x" }, { 0, "x" }, { 1, "x", "y" }, {} }) do
  local t = fresh()
  rec(pcall(table.insert, t, table.unpack(args)))
  out[#out + 1] = dump(t)
end
for _, args in ipairs({ {}, { 1 }, { 2 }, { 4 }, { 5 }, { 6 }, { 0 }, { -1 } }) do
  local t = fresh()
  rec(pcall(table.remove, t, table.unpack(args)))
  out[#out + 1] = dump(t)
end
local empty = {}
rec(pcall(table.remove, empty)) rec(pcall(table.remove, empty, 0)) rec(pcall(table.remove, empty, 1))
for _, args in ipairs({ { 1, 4, 2 }, { 2, 4, 1 }, { 1, 4, 3 }, { 1, 0, 1 }, { -1, 2, 5 }, { 1, 4, 1 },
                        { 1, math.maxinteger, 2 }, { math.mininteger, -1, 1 }, { 1, 2, math.maxinteger } }) do
  local t = fresh()
  rec(pcall(table.move, t, table.unpack(args)))
  out[#out + 1] = dump(t)
  local other = {}
  rec(pcall(table.move, fresh(), args[1], args[2], args[3], other))
  out[#out + 1] = dump(other)
end
-- Proxies with metamethods, and values that are not tables.
local log = {}
local proxy = setmetatable({}, {
  __index = function(_, k) log[#log + 1] = "get" .. k return "v" .. k end,
  __newindex = function(_, k, v) log[#log + 1] = "set" .. k .. "=" .. tostring(v) end,
  __len = function() return 3 end })
rec(pcall(table.insert, proxy, 2, "new"))
rec(pcall(table.remove, proxy, 1))
rec(pcall(table.move, proxy, 1, 3, 2))
out[#out + 1] = table.concat(log, " ")
rec(pcall(table.insert, setmetatable({}, { __len = function() return 2 end }), "x"))
rec(pcall(table.insert, "abc", "x"))
rec(pcall(table.remove, 5))
rec(pcall(table.move, {}, 1, 2))
rec(pcall(table.move, {}, 1, 2, 1, "x"))
rec(pcall(table.insert, {}, 1.5, "x"))
rec(pcall(table.insert, {}, "1", "x"))
for _, args in ipairs({ { "ab", 3 }, { "ab", 3, ", " }, { "", 5 }, { "", 5, "-" }, { "x", 0 }, { "x", -3 },
                        { "ab", "3" }, { {}, 2 }, { "ab", 2.5 }, { "ab" } }) do
  rec(pcall(string.rep, table.unpack(args)))
end
return table.concat(out, "\n")
