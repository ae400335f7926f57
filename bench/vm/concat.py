s = ''
for i in range(1, 1000001):
    s = s + 'x'
print(len(s))
