// placeholder until the store lands
