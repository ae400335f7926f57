s = ''
for i in range(1, 200001):
    s = s + 'x'
print(len(s))
