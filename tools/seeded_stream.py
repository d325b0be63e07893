"""The fixed random stream and the C table writer that the key and password generators share.

Every generator draws its secrets from a SeededStream made from its own fixed seed, so that running it
again rewrites identical files. Only Random.getrandbits is used, whose output for a seed is the same
across Python versions.
"""

import random


class SeededStream:
    def __init__(self, seed):
        self.random = random.Random(seed)

    def bits(self, n):
        return self.random.getrandbits(n)

    def below(self, n):
        """A uniform value in 0 .. n - 1, by rejection."""
        bits = max(1, (n - 1).bit_length())
        while True:
            value = self.random.getrandbits(bits)
            if value < n:
                return value

    def bytes(self, length):
        return [self.random.getrandbits(8) for _ in range(length)]

    def text(self, length, alphabet):
        return "".join(alphabet[self.below(len(alphabet))] for _ in range(length))

    def distinct_below(self, n, count):
        chosen = []
        while len(chosen) < count:
            value = self.below(n)
            if value not in chosen:
                chosen.append(value)
        return chosen

    def shuffle(self, items):
        """Fisher-Yates in place, from the last item down."""
        for i in range(len(items) - 1, 0, -1):
            j = self.below(i + 1)
            items[i], items[j] = items[j], items[i]
        return items


def c_numbers(values, per_line=16, fmt="{}"):
    """The values as the lines of a C initialiser list, each indented and ending in a comma."""
    lines = []
    for i in range(0, len(values), per_line):
        lines.append("    " + ", ".join(fmt.format(v) for v in values[i:i + per_line]) + ",")
    return "\n".join(lines)
