local s = ''
for i = 1, 200000 do s = s .. 'line ' .. tostring(i) .. '\r\n' end
print(#s)
