# (empty for now)
