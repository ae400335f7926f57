local parts = ''
for i = 1, 1000000 do parts = parts .. 'x' end
print(#parts)
