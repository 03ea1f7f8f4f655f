error({ code = 42 })
