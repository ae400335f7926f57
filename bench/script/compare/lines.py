s = ''
for i in range(1, 200001):
    s = s + 'line ' + str(i) + '\r\n'
print(len(s))
