local function twice(n) return n * 2 end
local s = 0
for i = 1, 1000000 do s = twice(i) end
print(s)
