module Sketchup
  # The Ruby Console. Here it is the process's standard output, looked up at each call so
  # that a script capturing $stdout captures the console too.
  class Console
    def puts(*args) = $stdout.puts(*args)
    def print(*args) = $stdout.print(*args)
    def write(*args) = $stdout.write(*args)
    def clear = nil
    def visible? = @visible == true

    def show
      @visible = true
      nil
    end

    def hide
      @visible = false
      nil
    end
  end
end

SKETCHUP_CONSOLE = Sketchup::Console.new
