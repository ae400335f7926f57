local parts = ''
for i = 1, 200000 do parts = parts .. 'x' end
print(#parts)
