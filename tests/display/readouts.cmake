# (no targets yet)
