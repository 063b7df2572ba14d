module UI
  # Each handler gets the context menu SketchUp builds on a right click, to add items to.
  def self.add_context_menu_handler(&block)
    raise ArgumentError, 'UI.add_context_menu_handler needs a block' unless block

    HostSim.context_menu_handlers << block
    HostSim.context_menu_handlers.length
  end
end

module HostSim
  def self.context_menu_handlers = (@context_menu_handlers ||= [])

  # A right click: a fresh menu, offered to every handler in the order they were added.
  def self.open_context_menu
    Sketchup::Menu.new('Context').tap do |menu|
      context_menu_handlers.each { |handler| handler.call(menu) }
    end
  end
end
