def twice(n):
    return n * 2
s = 0
for i in range(1, 1000001):
    s = twice(i)
print(s)
