print("start")
error("my message")
